// Arbitrary bytes as a musician at the editor's own boxes: a menu built from
// the bytes (submenus, separators, disabled items), a message box and a
// number entry, then clicks, moves, wheel turns and keys. Nothing crashes,
// menus and boxes stay inside the editor, an entry holds only what it
// accepts and never more than its limit, a menu answers a tag it offered
// (or -1), and every question is answered exactly once.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>

#include "framework/IDialogLayer.h"
#include "framework/IUserServices.h"

namespace {

using namespace qor;

constexpr gfx::Rect kBounds{0, 0, 1024, 600};

struct Bytes {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    bool More() const { return at < size; }
    uint8_t Next() { return at < size ? data[at++] : 0; }
};

void Build(IPopupMenu& menu, Bytes& in, int depth, std::set<int>& tags, int& nextTag)
{
    const int n = in.Next() % 12;
    menu.prefix = IPopupMenu::Prefix(in.Next() % 4);
    for (int i = 0; i < n; ++i) {
        const uint8_t kind = in.Next();
        if (kind % 7 == 0) {
            menu.AddSeparator();
        } else if (kind % 5 == 0 && depth < 3) {
            Build(menu.AddSubmenu("Sub " + std::to_string(i)), in, depth + 1, tags, nextTag);
        } else {
            IPopupMenu::Item& item = menu.Add(std::string(kind % 40, 'x'), nextTag);
            item.disabled = kind & 0x40;
            item.checked = kind & 0x80;
            if (!item.disabled) tags.insert(nextTag);
            ++nextTag;
        }
    }
}

void Check(bool condition)
{
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Bytes in{data, size};
    IDialogLayer layer(kBounds, [](std::string_view text, int s) { return int(text.size()) * s / 2; });
    std::set<int> tags;
    int nextTag = 0;
    IPopupMenu menu;
    Build(menu, in, 0, tags, nextTag);

    int menuAnswers = 0, boxAnswers = 0, entryAnswers = 0;
    layer.ShowMenu(menu, in.Next() * 5, in.Next() * 3, [&](int tag) {
        ++menuAnswers;
        Check(tag == -1 || tags.count(tag));
    });
    layer.ShowMessage(std::string(in.Next(), 'm'), "Title", in.Next() & 1 ? IUserServices::kYesNo : IUserServices::kOk,
                      [&](int answer) {
                          ++boxAnswers;
                          Check(answer == IUserServices::kAnswerOk || answer == IUserServices::kAnswerYes ||
                                answer == IUserServices::kAnswerNo);
                      });
    const int limit = in.Next() % 10;
    const auto digits = [](char c) { return (c >= '0' && c <= '9') || c == '-'; };
    layer.ShowTextEntry(std::make_unique<ITextEntryBox>(gfx::Rect{400, 200, 440, 216}, IText{}, "12", limit, digits),
                        [&](bool, const std::string& text) {
                            ++entryAnswers;
                            Check(int(text.size()) <= limit);
                        });

    while (in.More()) {
        const uint8_t op = in.Next();
        const int x = in.Next() * 4 - 2, y = in.Next() * 3 - 2;
        switch (op % 8) {
            case 0: layer.MouseDown(x, y); break;
            case 1: layer.MouseUp(x, y); break;
            case 2: case 3: layer.MouseMove(x, y); break;
            case 4: layer.Wheel(); break;
            default: {
                ITypedKey key;
                key.kind = ITypedKey::Kind(in.Next() % 13);
                key.ch = char(x);
                layer.Key(key);
            }
        }
        if (const IMenuView* view = layer.Menu())
            for (const IMenuView::Level& level : view->Levels())
                Check(level.rect.Intersection(kBounds) == level.rect);
        if (const IMessageBoxView* box = layer.Box()) Check(box->Rect().Intersection(kBounds) == box->Rect());
        if (const ITextEntryBox* entry = layer.Entry()) {
            Check(int(entry->Text().size()) <= limit);
            for (char c : entry->Text()) Check(digits(c));
        }
        if (op == 0xff) layer.RunAnswers();
    }
    layer.DismissAll();
    layer.RunAnswers();
    Check(!layer.Active());
    Check(menuAnswers == 1 && boxAnswers == 1 && entryAnswers == 1);
    return 0;
}
