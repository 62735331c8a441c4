#include "framework/IDialogLayer.h"

#include <cstdlib>

namespace qor {

IDialogLayer::IDialogLayer(const gfx::Rect& bounds, MeasureText measure)
    : mBounds(bounds), mMeasure(std::move(measure))
{
}

std::function<int(std::string_view)> IDialogLayer::Measure(int size) const
{
    MeasureText measure = mMeasure;
    return [measure, size](std::string_view text) { return measure ? measure(text, size) : 0; };
}

gfx::Rect IDialogLayer::Question::Area() const
{
    if (menu) return menu->Area();
    if (box) return box->Rect();
    if (!entry) return {};
    gfx::Rect area = entry->Box();
    area.right += 1;  // the frame is one pixel larger to the right and bottom
    area.bottom += 1;
    if (!entry->caption.empty()) area.top -= IMessageBoxView::kLineHeight;
    return area;
}

void IDialogLayer::ShowMessage(const std::string& text, const std::string& title, int style,
                               std::function<void(int)> then)
{
    Question& q = mQueue.emplace_back();
    q.box = std::make_unique<IMessageBoxView>(text, title, style, mBounds, Measure(kTextSize));
    q.thenInt = std::move(then);
    Touch();
}

void IDialogLayer::ShowMenu(const IPopupMenu& menu, int x, int y, std::function<void(int)> then)
{
    Question& q = mQueue.emplace_back();
    q.menu = std::make_unique<IMenuView>(menu, x, y, mBounds, Measure(kTextSize));
    q.thenInt = std::move(then);
    Touch();
}

void IDialogLayer::ShowTextEntry(std::unique_ptr<ITextEntryBox> entry,
                                 std::function<void(bool, const std::string&)> then)
{
    Question& q = mQueue.emplace_back();
    q.entry = std::move(entry);
    q.thenText = std::move(then);
    Touch();
}

void IDialogLayer::Settle()
{
    while (Active()) {
        Question& q = mQueue.front();
        std::function<void()> answer;
        if (q.menu && q.menu->Done()) {
            answer = [then = std::move(q.thenInt), tag = q.menu->Answer()] { if (then) then(tag); };
        } else if (q.box && q.box->Done()) {
            answer = [then = std::move(q.thenInt), a = q.box->Answer()] { if (then) then(a); };
        } else if (q.entry && q.entry->GetState() != ITextEntryBox::State::Open) {
            answer = [then = std::move(q.thenText), committed = q.entry->GetState() == ITextEntryBox::State::Committed,
                      text = q.entry->Text()] { if (then) then(committed, text); };
        } else {
            return;
        }
        mDirty = mDirty.Union(q.Area());
        mAnswered.push_back(std::move(answer));
        mQueue.pop_front();
        Touch();  // the next one opens
    }
}

bool IDialogLayer::MouseDown(int x, int y)
{
    if (!Active()) return false;
    Question& q = mQueue.front();
    Touch();
    if (q.menu) q.menu->MouseDown(x, y);
    if (q.box) q.box->MouseDown(x, y);
    if (q.entry) {
        // The caret goes to the character boundary nearest the pointer.
        const ITextEntryBox& e = *q.entry;
        const auto measure = Measure(e.Style().size);
        const int left = e.TextLeft(measure(e.Text()));
        int caret = 0, best = 1 << 30;
        for (int i = 0; i <= int(e.Text().size()); ++i) {
            const int distance = std::abs(left + measure(std::string_view(e.Text()).substr(0, size_t(i))) - x);
            if (distance < best) {
                best = distance;
                caret = i;
            }
        }
        q.entry->MouseDown(x, y, caret);
    }
    Settle();
    return true;
}

bool IDialogLayer::MouseMove(int x, int y)
{
    if (!Active()) return false;
    Question& q = mQueue.front();
    if (q.entry) return false;
    Touch();
    if (q.menu) q.menu->MouseMove(x, y);
    return true;
}

bool IDialogLayer::MouseDrag(int x, int y) { return MouseMove(x, y); }

void IDialogLayer::MouseUp(int x, int y)
{
    if (!Active()) return;
    Touch();
    if (IMessageBoxView* box = mQueue.front().box.get()) box->MouseUp(x, y);
    Settle();
}

bool IDialogLayer::Wheel()
{
    if (!Active()) return false;
    if (ITextEntryBox* entry = mQueue.front().entry.get()) entry->Wheel();
    Touch();
    Settle();
    return true;
}

bool IDialogLayer::Key(const ITypedKey& key)
{
    if (!Active()) return false;
    Question& q = mQueue.front();
    Touch();
    if (q.menu) q.menu->Key(key);
    if (q.box) q.box->Key(key);
    if (q.entry) q.entry->Key(key);
    Touch();
    Settle();
    return true;
}

void IDialogLayer::DismissAll()
{
    for (Question& q : mQueue) {
        if (q.menu) q.menu->Dismiss();
        if (q.box) q.box->Dismiss();
        if (q.entry) q.entry->Wheel();  // cancelled
    }
    Settle();
}

void IDialogLayer::RunAnswers()
{
    // A continuation may ask again (and so add to the answers): take the
    // list first.
    while (!mAnswered.empty()) {
        std::vector<std::function<void()>> answers;
        answers.swap(mAnswered);
        for (auto& answer : answers) answer();
    }
}

gfx::Rect IDialogLayer::TakeDirty()
{
    const gfx::Rect dirty = mDirty;
    mDirty = {};
    return dirty;
}

}  // namespace qor
