// Builds the panel's controls into an editor, in drawing order, from the one
// table of panel coordinates (plugin/PanelLayout.h).
#pragma once

namespace qor {

class CommandRunner;
class IGraphics;
class IPlugBase;
class PanelView;

// Where the controls that the instrument addresses by number sit in the
// editor's list.
struct PanelControls {
    int valueDown = -1;    // key 316
    int valueUp = -1;      // key 317
    int programName = -1;  // 322
    int infoText = -1;     // 323
    int waveDisplay = -1;  // 324
    int textDisplay = -1;  // 325
};

PanelControls BuildPanel(IGraphics& graphics, IPlugBase& plug, PanelView& panel, CommandRunner& commands);

// The version as the panel prints it under the product name ("v.1.1.1.N").
const char* PanelVersionText();

}  // namespace qor
