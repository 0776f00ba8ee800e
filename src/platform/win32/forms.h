// The program's native windows: one for each model form, made on first
// use, and the one that owns the program's dialogs. A message of the
// message loop goes to its window's form first.
#pragma once

#include <windows.h>

#include <map>
#include <memory>

#include "platform/win32/native_form.h"

namespace corvell::win32 {

class Forms {
public:
    // Realises a form as a native window (hidden) on first use.
    NativeForm& realise(ui::Form& f);
    NativeForm* native(const ui::Form& f) const;
    // The form's window; null where it has none.
    HWND window(const ui::Form& f) const;

    // The window that owns message boxes, help and the consent prompt.
    void setMain(const ui::Form& f) { main_ = &f; }
    HWND mainWindow() const { return main_ != nullptr ? window(*main_) : nullptr; }

    // Key preview, then the dialog manager (Tab, access keys) for the
    // program's windows; true when the message was handled.
    bool preTranslate(MSG& msg);

private:
    std::map<const ui::Form*, std::unique_ptr<NativeForm>> forms_;
    const ui::Form* main_ = nullptr;
};

}  // namespace corvell::win32
