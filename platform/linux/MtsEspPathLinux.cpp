#include "platform/MtsEspLibrary.h"

namespace qor {

// The place the MTS-ESP installers use on Linux; looked up by this full path
// only, never through the loader's search path.
std::string MtsEspDefaultPath() { return "/usr/local/lib/libMTS.so"; }

}  // namespace qor
