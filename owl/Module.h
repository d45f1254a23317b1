#pragma once
// The program's module: the owner of its resources.
#include <string>

#include "platform/user/Menus.h"

namespace OWL {
class TModule {
public:
    explicit TModule(LPCSTR name = nullptr, HINSTANCE instance = nullptr) : name_(name ? name : ""), instance_(instance) {}
    virtual ~TModule() = default;
    HINSTANCE GetHandle() const { return instance_; }
    operator HINSTANCE() const { return instance_; }
    LPCSTR GetName() const { return name_.c_str(); }
    void SetName(LPCSTR name) { name_ = name ? name : ""; }
    // 0 and an empty buffer for a missing string.
    int LoadString(UINT id, LPSTR buffer, int size) const { return ::LoadStringA(instance_, id, buffer, size); }
    std::string LoadString(UINT id) const;
    HICON LoadIcon(int id) const { return ::LoadIconA(instance_, MAKEINTRESOURCEA(id)); }
    HBITMAP LoadBitmap(int id) const { return ::LoadBitmapA(instance_, MAKEINTRESOURCEA(id)); }
    HMENU LoadMenu(int id) const { return ::LoadMenuA(instance_, MAKEINTRESOURCEA(id)); }
    HACCEL LoadAccelerators(int id) const { return ::LoadAcceleratorsA(instance_, MAKEINTRESOURCEA(id)); }

private:
    std::string name_;
    HINSTANCE instance_;
};
}
