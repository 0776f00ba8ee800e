#include "platform/win32/forms.h"

#include "platform/win32/text_calls.h"

namespace corvell::win32 {

NativeForm& Forms::realise(ui::Form& f) {
    auto it = forms_.find(&f);
    // A form destroyed earlier may have left its entry to a new one at the
    // same address.
    if (it != forms_.end() && it->second->model() == &f) return *it->second;
    if (it != forms_.end()) forms_.erase(it);
    auto nf = std::make_unique<NativeForm>(f);
    nf->create();
    return *forms_.emplace(&f, std::move(nf)).first->second;
}

NativeForm* Forms::native(const ui::Form& f) const {
    auto it = forms_.find(&f);
    return it == forms_.end() || it->second->model() != &f ? nullptr : it->second.get();
}

HWND Forms::window(const ui::Form& f) const {
    const NativeForm* nf = native(f);
    return nf != nullptr ? nf->hwnd() : nullptr;
}

bool Forms::preTranslate(MSG& msg) {
    // The top-level window of the message's one (GetAncestor is Windows
    // 98's and later's).
    HWND top = msg.hwnd;
    while (top != nullptr && (calls().getWindowLongPtr(top, GWL_STYLE) & WS_CHILD) != 0) {
        top = GetParent(top);
    }
    for (auto& [form, nf] : forms_) {
        if (nf->hwnd() == nullptr || nf->hwnd() != top) continue;
        if (nf->preTranslate(msg)) return true;
        return calls().isDialogMessage(top, &msg) != 0;
    }
    return false;
}

}  // namespace corvell::win32
