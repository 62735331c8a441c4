// The instrument's own editor: made with the instrument, following the host,
// programs and the instrument's parameter route, renaming programs.
#include "framework/IControl.h"
#include "framework/IGraphics.h"
#include "plugin/editor/IMwProgramName.h"
#include "tests/plugin/PlugFixture.h"

namespace qor::test {
namespace {

class QorEditor : public PlugFixture {
protected:
    static constexpr int kVolumeKnob = 14;
    IGraphics& Editor() { return *plug->GetEditor(); }
    double Shown(int control) { return Editor().GetControl(control)->GetValue(); }
};

TEST_F(QorEditor, ControlsFollowTheHostProgramsAndThePanel)
{
    ASSERT_NE(plug->GetEditor(), nullptr);
    EXPECT_EQ(plug->GetEffect()->flags & vst::effFlagsHasEditor, vst::effFlagsHasEditor);
    EXPECT_EQ(Editor().NControls(), 134);
    EXPECT_DOUBLE_EQ(Shown(kVolumeKnob), plug->GetParam(0)->GetNormalized());

    vst::AEffect* effect = plug->GetEffect();
    effect->setParameter(effect, 0, 0.3f);
    EXPECT_NEAR(Shown(kVolumeKnob), 0.3, 1e-6);

    // A program with another volume: the knob shows it.
    const int field = 92 + 20 - 8;  // parameter 20's field
    for (int program = 1; program < 100; ++program) {
        effect->dispatcher(effect, vst::effSetProgram, 0, program, nullptr, 0.0f);
        EXPECT_DOUBLE_EQ(Shown(kVolumeKnob), plug->GetParam(0)->GetNormalized()) << program;
        EXPECT_DOUBLE_EQ(Shown(field), plug->GetParam(20)->GetNormalized()) << program;
        if (program > 8) break;
    }
    // Panel keys, controllers and SysEx set parameters by the instrument's route.
    plug->ChangeParameter(20, plug->GetParam(20)->Min(), false);
    EXPECT_EQ(Shown(field), 0.0);
}

TEST_F(QorEditor, TypedProgramNameRenamesAnUnprotectedProgramAndTellsTheHost)
{
    IControl* name = Editor().GetControl(plug->EditorControls().programName);
    ASSERT_NE(dynamic_cast<IMwProgramName*>(name), nullptr);
    // Memory protection keeps the slot, name included, and says so.
    const std::string before = plug->GetPresetName(plug->GetCurrentPresetIndex());
    plug->SetWriteProtect(true);
    name->TextFromTextEntry("Brass Section");
    EXPECT_EQ(plug->GetPresetName(plug->GetCurrentPresetIndex()), before);
    EXPECT_TRUE(plug->storeRefused);

    plug->SetWriteProtect(false);
    ClearSent();
    const int updates = host.updateDisplays;
    name->TextFromTextEntry("Brass Section");
    EXPECT_STREQ(plug->GetPresetName(plug->GetCurrentPresetIndex()), "Brass Section");
    EXPECT_EQ(host.updateDisplays, updates + 1);
    EXPECT_EQ(host.automated.size(), 60u) << "every parameter is told again";
    gfx::Rect dirty;
    EXPECT_TRUE(Editor().IsDirty(dirty));
}

// The value box is filled with what the field shows; committing that text,
// or another one the field would show, sets the value shown.
TEST_F(QorEditor, ValueBoxTakesBackWhatTheFieldShows)
{
    auto field = [&](int param) { return Editor().GetControl(92 + param - 8); };
    Editor().SetFromStringAfterPrompt(*field(9), 9, "8");  // Range: 8' is value 1
    EXPECT_EQ(plug->GetParam(9)->Value(), 1.0);
    Editor().SetFromStringAfterPrompt(*field(29), 29, "0.0");  // Low Boost, flat
    EXPECT_EQ(plug->GetParam(29)->Value(), 18.0);
    Editor().SetFromStringAfterPrompt(*field(17), 17, "40");  // Cutoff shows its value
    EXPECT_EQ(plug->GetParam(17)->Value(), 40.0);
}

}  // namespace
}  // namespace qor::test
