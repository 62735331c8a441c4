// The volume knob: a multi-frame bitmap knob with the panel's gearing.
#pragma once

#include "framework/IKnobMultiControl.h"

namespace qor {

class IMwKnobControl : public IKnobMultiControl {
public:
    using IKnobMultiControl::IKnobMultiControl;
};

}  // namespace qor
