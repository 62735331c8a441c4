// A test plug with an attached portable editor, driven by the events a
// window would deliver, with the host's calls recorded in order.
#pragma once

#include <memory>

#include "tests/editor/EditorTestSupport.h"
#include "tests/framework/TestPlug.h"

namespace qor::test {

class EditorFixture : public ::testing::Test {
protected:
    static constexpr int kWorking = 7;
    static constexpr int kField = 20;     // an integer 0..99 at 50
    static constexpr int kLfoSpeed = 33;  // an integer 0..99 at 12

    EditorFixture()
    {
        plug = std::make_unique<TestPlug>(&OrderedHost::Callback);
        plug->GetParam(kWorking)->InitInteger("Working Parameter", 17, 8, 49);
        plug->GetParam(kField)->InitInteger("Field", 50, 0, 99);
        plug->GetParam(kLfoSpeed)->InitInteger("LFO Speed", 12, 0, 99);
        editor = std::make_unique<IGraphics>(*plug, 320, 200);
    }
    ~EditorFixture() override
    {
        plug->AttachEditor(nullptr);
        editor.reset();
        plug.reset();
    }

    // Attaches the editor once its controls are in: they take their values.
    void Attach()
    {
        plug->AttachEditor(editor.get());
        host.calls.clear();
    }
    gfx::Surface DrawAll()
    {
        gfx::Surface surface(editor->Width(), editor->Height());
        surface.Clear({255, 0, 0, 0});
        editor->SetAllControlsDirty();
        editor->Draw(surface, {0, 0, editor->Width(), editor->Height()});
        return surface;
    }
    double Value(int param) { return plug->GetParam(param)->Value(); }
    double Normalized(int param) { return plug->GetParam(param)->GetNormalized(); }

    void Click(int x, int y, IMouseMod mod = LeftButton())
    {
        editor->OnMouseDown(x, y, mod);
        editor->OnMouseUp(x, y, mod);
    }
    static IMouseMod LeftButton()
    {
        IMouseMod m;
        m.left = true;
        return m;
    }
    static IMouseMod RightButton()
    {
        IMouseMod m;
        m.right = true;
        return m;
    }

    OrderedHost host;
    FakePanel panel;
    FakeCommands commands;
    std::unique_ptr<TestPlug> plug;
    std::unique_ptr<IGraphics> editor;
};

}  // namespace qor::test
