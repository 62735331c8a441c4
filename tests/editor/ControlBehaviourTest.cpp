// How the controls answer the mouse, and what the plug-in and the host hear.
#include <cmath>

#include "plugin/editor/IMwKnobControl.h"
#include "plugin/editor/IMwLEDDisplay.h"
#include "plugin/editor/IMwParamControl.h"
#include "plugin/editor/IMwProgramName.h"
#include "plugin/editor/IMwSwitchControl.h"
#include "plugin/editor/IMwUtilityKick.h"
#include "tests/editor/EditorFixture.h"

namespace qor::test {
namespace {

class ControlBehaviour : public EditorFixture {
protected:
    static constexpr int kKnobHeight = 40;
    const gfx::Bitmap knob = NumberedFrames(40, kKnobHeight, 65);
};

TEST_F(ControlBehaviour, KnobDragIsGearedAndFineWithShift)
{
    editor->AttachControl(std::make_unique<IMwKnobControl>(*plug, 0, 0, kField, knob));
    Attach();
    editor->SetParameterFromPlug(kField, 0.25, true);
    IMouseMod mod = LeftButton();
    editor->OnMouseDown(20, 20, mod);
    editor->OnMouseDrag(20, -5, 0, -25, mod);  // 25 pixels up
    const double coarse = editor->GetControl(0)->GetValue();
    EXPECT_NEAR(coarse, 0.25 + 25.0 / kKnobHeight / 4.0, 1e-12);
    mod.shift = true;
    editor->OnMouseDrag(20, -30, 0, -25, mod);
    EXPECT_NEAR(editor->GetControl(0)->GetValue() - coarse, 25.0 / kKnobHeight / 40.0, 1e-12);
    mod.shift = false;
    mod.control = true;  // control is fine too
    const double before = editor->GetControl(0)->GetValue();
    editor->OnMouseDrag(20, -5, 0, 25, mod);
    EXPECT_NEAR(before - editor->GetControl(0)->GetValue(), 25.0 / kKnobHeight / 40.0, 1e-12);
    editor->OnMouseUp(20, -5, mod);
    // The plug-in has the value the knob shows, snapped to the integer grid.
    EXPECT_EQ(Value(kField), std::floor(0.5 + editor->GetControl(0)->GetValue() * 99));
    // Far past the top the knob stops at 1.
    editor->OnMouseDown(20, 20, LeftButton());
    editor->OnMouseDrag(20, -2000, 0, -2000, LeftButton());
    editor->OnMouseUp(20, -2000, LeftButton());
    EXPECT_EQ(editor->GetControl(0)->GetValue(), 1.0);
    EXPECT_EQ(Value(kField), 99);
}

TEST_F(ControlBehaviour, DragBracketsItsAutomationWithBeginAndEndEdit)
{
    editor->AttachControl(std::make_unique<IMwKnobControl>(*plug, 0, 0, kField, knob));
    Attach();
    editor->OnMouseDown(20, 20, LeftButton());
    editor->OnMouseDrag(20, 10, 0, -10, LeftButton());
    editor->OnMouseDrag(20, 0, 0, -10, LeftButton());
    EXPECT_EQ(host.Opcodes(), (std::vector<int32_t>{vst::audioMasterBeginEdit, vst::audioMasterAutomate,
                                                    vst::audioMasterAutomate}));
    editor->OnMouseUp(20, 0, LeftButton());
    ASSERT_EQ(host.calls.size(), 4u);
    EXPECT_EQ(host.calls.back().opcode, vst::audioMasterEndEdit);
    for (const auto& call : host.calls) EXPECT_EQ(call.index, kField);
    EXPECT_FLOAT_EQ(host.calls[2].value, float(editor->GetControl(0)->GetValue()));

    // A wheel notch is a gesture of its own.
    host.calls.clear();
    editor->OnMouseWheel(20, 20, {}, 1.0f);
    editor->OnMouseWheel(20, 20, {}, 1.0f);
    EXPECT_EQ(host.Opcodes(), (std::vector<int32_t>{vst::audioMasterBeginEdit, vst::audioMasterAutomate,
                                                    vst::audioMasterEndEdit, vst::audioMasterBeginEdit,
                                                    vst::audioMasterAutomate, vst::audioMasterEndEdit}));

    // A press left open when the window closes is ended for the host.
    host.calls.clear();
    editor->OnMouseDown(20, 20, LeftButton());
    editor->OnMouseDrag(20, 15, 0, -5, LeftButton());
    plug->GetEffect()->dispatcher(plug->GetEffect(), vst::effEditClose, 0, 0, nullptr, 0.0f);
    ASSERT_FALSE(host.calls.empty());
    EXPECT_EQ(host.calls.back().opcode, vst::audioMasterEndEdit);
}

TEST_F(ControlBehaviour, DoubleClickReturnsToTheFirstValueReceived)
{
    editor->AttachControl(std::make_unique<IMwKnobControl>(*plug, 0, 0, kField, knob));
    Attach();  // the field holds 50 of 0..99: that is the default now
    const double first = 50.0 / 99.0;
    editor->SetParameterFromPlug(kField, 0.9, true);  // later values are no default
    EXPECT_EQ(editor->GetControl(0)->GetValue(), 0.9);
    EXPECT_TRUE(editor->OnMouseDblClick(20, 20, LeftButton()));
    editor->OnMouseUp(20, 20, LeftButton());
    EXPECT_NEAR(editor->GetControl(0)->GetValue(), first, 1e-12);
    EXPECT_EQ(Value(kField), 50);
    EXPECT_EQ(host.Opcodes(), (std::vector<int32_t>{vst::audioMasterBeginEdit, vst::audioMasterAutomate,
                                                    vst::audioMasterEndEdit}));
}

TEST_F(ControlBehaviour, WheelOnAnIntegerFieldMovesOneWholeStep)
{
    const gfx::Rect rect{0, 0, 64, 22};
    editor->AttachControl(std::make_unique<IMwParamControl>(*plug, rect, kField, panel));
    Attach();
    editor->OnMouseWheel(10, 10, {}, 1.0f);
    EXPECT_EQ(Value(kField), 51);
    editor->OnMouseWheel(10, 10, {}, -1.0f);
    editor->OnMouseWheel(10, 10, {}, -1.0f);
    EXPECT_EQ(Value(kField), 49);
    // A smooth wheel's part of a notch is still one whole step, never a fraction.
    editor->OnMouseWheel(10, 10, {}, 0.3f);
    EXPECT_EQ(Value(kField), 50);
    IMouseMod fine;
    fine.shift = true;
    editor->OnMouseWheel(10, 10, fine, -1.0f);
    EXPECT_EQ(Value(kField), 49);
    // Clamped at the ends.
    plug->GetParam(kField)->Set(99);
    editor->SetParameterFromPlug(kField, 99, false);
    editor->OnMouseWheel(10, 10, {}, 1.0f);
    EXPECT_EQ(Value(kField), 99);
}

TEST_F(ControlBehaviour, LfoSpeedMovesInFivesUnderSync)
{
    editor->AttachControl(std::make_unique<IMwParamControl>(*plug, gfx::Rect{0, 0, 64, 22}, kLfoSpeed, panel));
    Attach();
    editor->OnMouseWheel(10, 10, {}, 1.0f);
    EXPECT_EQ(Value(kLfoSpeed), 13);
    panel.fives = true;
    editor->OnMouseWheel(10, 10, {}, 1.0f);  // 13 + 5 = 18 -> 20
    EXPECT_EQ(Value(kLfoSpeed), 20);
    editor->OnMouseWheel(10, 10, {}, -1.0f);
    EXPECT_EQ(Value(kLfoSpeed), 15);
}

TEST_F(ControlBehaviour, ClickingAFieldMakesItTheWorkingParameter)
{
    editor->AttachControl(std::make_unique<IMwParamControl>(*plug, gfx::Rect{0, 0, 64, 22}, kField, panel));
    editor->AttachControl(std::make_unique<IMwParamControl>(*plug, gfx::Rect{0, 30, 64, 52}, 9, panel));
    Attach();
    Click(10, 10);
    EXPECT_EQ(Value(kWorking), kField);
    Click(10, 40);
    EXPECT_EQ(Value(kWorking), 9);
    // Dragging the field changes its value, geared like the knob.
    editor->OnMouseDown(10, 10, LeftButton());
    editor->OnMouseDrag(10, -12, 0, -22 * 4, LeftButton());  // height x gearing: the whole range
    editor->OnMouseUp(10, -12, LeftButton());
    EXPECT_EQ(Value(kField), 99);
}

TEST_F(ControlBehaviour, OutputSwitchTwiceReturns)
{
    const gfx::Bitmap sw = NumberedFrames(20, 30, 2);
    editor->AttachControl(std::make_unique<IMwSwitchControl>(*plug, 0, 0, 2, sw));  // "OFF"/"ON"
    Attach();
    Click(5, 5);
    EXPECT_EQ(Value(2), 1);
    Click(5, 5);
    EXPECT_EQ(Value(2), 0);
    EXPECT_EQ(host.Opcodes(), (std::vector<int32_t>{vst::audioMasterBeginEdit, vst::audioMasterAutomate,
                                                    vst::audioMasterEndEdit, vst::audioMasterBeginEdit,
                                                    vst::audioMasterAutomate, vst::audioMasterEndEdit}));
}

class LedDisplayMouse : public ControlBehaviour {
protected:
    void SetUp() override
    {
        // 320 lies under an orange 319 that takes no pointer.
        editor->AttachControl(
            std::make_unique<IMwLEDDisplay>(*plug, gfx::Rect{0, 0, 72, 52}, PanelView::kDisplayLeft, segments, panel));
        editor->AttachControl(std::make_unique<IMwLEDDisplay>(*plug, gfx::Rect{100, 0, 172, 52},
                                                              PanelView::kDisplayOrange, segments, panel));
        Attach();
    }
    std::vector<int> Keys() const
    {
        std::vector<int> keys;
        for (const auto& p : panel.pressed) keys.push_back(p.first);
        return keys;
    }
    const gfx::Bitmap segments = NumberedFrames(16, 4, 8);
};

TEST_F(LedDisplayMouse, DragMustExceedThreePixels)
{
    editor->OnMouseDown(30, 30, LeftButton());
    for (int y = 31; y <= 33; ++y) editor->OnMouseDrag(30, y, 0, 1, LeftButton());
    EXPECT_TRUE(panel.pressed.empty()) << "3 pixels is no drag";
    editor->OnMouseDrag(30, 34, 0, 1, LeftButton());
    EXPECT_EQ(Keys(), (std::vector<int>{316}));  // downward: value down
    editor->OnMouseDrag(30, 30, 0, -4, LeftButton());
    EXPECT_EQ(Keys(), (std::vector<int>{316, 317}));
    editor->OnMouseUp(30, 30, LeftButton());
    EXPECT_EQ(Keys(), (std::vector<int>{316, 317})) << "a drag is no click";
    EXPECT_EQ(panel.released, (std::vector<int>{316, 317})) << "no key is left held";
}

TEST_F(LedDisplayMouse, ClickAndWheel)
{
    Click(30, 30);
    EXPECT_EQ(Keys(), (std::vector<int>{320}));
    editor->OnMouseWheel(30, 30, {}, 1.0f);
    editor->OnMouseWheel(30, 30, {}, -1.0f);
    editor->OnMouseWheel(30, 30, {}, 0.5f);  // less than a notch
    EXPECT_EQ(Keys(), (std::vector<int>{320, 317, 316}));
}

TEST_F(LedDisplayMouse, OrangeDisplayIgnoresTheMouse)
{
    Click(130, 30);
    editor->OnMouseDown(130, 30, LeftButton());
    editor->OnMouseDrag(130, 50, 0, 20, LeftButton());
    editor->OnMouseUp(130, 50, LeftButton());
    editor->OnMouseWheel(130, 30, {}, 1.0f);
    EXPECT_TRUE(panel.pressed.empty());
}

TEST_F(ControlBehaviour, KeysSendCommandsOrPanelKeys)
{
    editor->AttachControl(std::make_unique<IMwUtilityKick>(*plug, gfx::Rect{0, 0, 50, 20}, 4, panel, commands));
    editor->AttachControl(std::make_unique<IMwUtilityKick>(*plug, gfx::Rect{0, 30, 50, 50}, 317, panel, commands));
    Attach();
    Click(10, 10);
    EXPECT_EQ(commands.run, (std::vector<int>{4}));
    EXPECT_TRUE(panel.pressed.empty());
    // A held value key: pressed until the button comes up.
    editor->OnMouseOver(10, 40, {});
    editor->OnMouseDown(10, 40, RightButton());
    EXPECT_EQ(panel.pressed, (std::vector<std::pair<int, bool>>{{317, true}}));
    EXPECT_TRUE(panel.released.empty());
    editor->OnMouseUp(10, 40, RightButton());
    EXPECT_EQ(panel.released, (std::vector<int>{317}));
}

class NameEntry : public ControlBehaviour {
protected:
    // An editor whose text entry box is the test: it keeps the request.
    class EntryRecorder : public IGraphics {
    public:
        using IGraphics::IGraphics;
        void CreateTextEntry(IControl& c, const IText& style, const gfx::Rect& box, const std::string& text,
                             int maxLength, int paramIndex) override
        {
            control = &c;
            this->box = box;
            this->text = text;
            this->maxLength = maxLength;
            this->paramIndex = paramIndex;
        }
        IControl* control = nullptr;
        gfx::Rect box;
        std::string text;
        int maxLength = 0;
        int paramIndex = -2;
    };
    void SetUp() override
    {
        plug->AttachEditor(nullptr);
        editor = std::make_unique<EntryRecorder>(*plug, 320, 200);
        recorder = static_cast<EntryRecorder*>(editor.get());
    }
    EntryRecorder* recorder = nullptr;
};

TEST_F(NameEntry, ProgramNameIsTypedIntoABoxAndCutToThirty)
{
    const gfx::Rect rect{10, 10, 138, 26};
    editor->AttachControl(std::make_unique<IMwProgramName>(*plug, rect, panel));
    Attach();
    plug->GetPresetSlot(0)->SetName("Glass Bells");
    Click(20, 15);
    ASSERT_NE(recorder->control, nullptr);
    EXPECT_EQ(recorder->text, "Glass Bells");
    EXPECT_EQ(recorder->maxLength, 30);
    EXPECT_EQ(recorder->box, rect);
    EXPECT_EQ(recorder->paramIndex, -1);
    // Escape: the box goes away and nothing is handed on.
    EXPECT_TRUE(panel.renamed.empty());
    // Enter: the text, cut to 30 characters.
    recorder->control->TextFromTextEntry("A name far longer than thirty characters");
    EXPECT_EQ(panel.renamed, (std::vector<std::string>{"A name far longer than thirty "}));
}

TEST_F(NameEntry, ValuePromptIsABoxOrAMenuOfTexts)
{
    const gfx::Rect rect{100, 100, 164, 122};
    editor->AttachControl(std::make_unique<IMwParamControl>(*plug, rect, kField, panel));
    editor->AttachControl(std::make_unique<IMwParamControl>(*plug, gfx::Rect{0, 0, 64, 22}, 2, panel));
    Attach();
    editor->OnMouseDown(120, 110, RightButton());
    editor->OnMouseUp(120, 110, RightButton());
    ASSERT_NE(recorder->control, nullptr);
    EXPECT_EQ(recorder->text, "50");
    EXPECT_EQ(recorder->maxLength, 7);
    EXPECT_EQ(recorder->paramIndex, kField);
    EXPECT_EQ(recorder->box, (gfx::Rect{112, 103, 152, 119})) << "40 x 16 centred on the field";
    EXPECT_EQ(Value(kWorking), kField) << "the right click also selects the field";

    host.calls.clear();
    editor->SetFromStringAfterPrompt(*recorder->control, kField, "77");
    EXPECT_EQ(Value(kField), 77);
    EXPECT_EQ(host.Opcodes(), (std::vector<int32_t>{vst::audioMasterBeginEdit, vst::audioMasterAutomate,
                                                    vst::audioMasterEndEdit}));
    // Text that is no number changes nothing.
    editor->SetFromStringAfterPrompt(*recorder->control, kField, "-");
    editor->SetFromStringAfterPrompt(*recorder->control, kField, "");
    EXPECT_EQ(Value(kField), 77);
    // Out of range: clamped.
    editor->SetFromStringAfterPrompt(*recorder->control, kField, "500");
    EXPECT_EQ(Value(kField), 99);

    // A parameter with display texts asks through a menu; without a window
    // the menu is dismissed and nothing changes, and no box opens.
    recorder->control = nullptr;
    editor->OnMouseDown(10, 10, RightButton());
    editor->OnMouseUp(10, 10, RightButton());
    EXPECT_EQ(recorder->control, nullptr);
    EXPECT_EQ(Value(2), 0);
}

}  // namespace
}  // namespace qor::test
