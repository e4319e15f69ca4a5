#pragma once

#include <functional>
#include <string>
#include <utility>

#include "ui/win32/support.h"

namespace velmora::test {

// Where a child window lies inside its parent's client area.
inline RECT childBounds(HWND child) {
    RECT area{};
    GetWindowRect(child, &area);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&area), 2);
    return RECT{area.left, area.top, area.right - area.left, area.bottom - area.top};
}

// A visible top-level window of this process with that class (and title, unless null). Tests run side by side on one
// desktop, so a window found by class alone may be another test's.
inline HWND findOwnWindow(const wchar_t* className, const wchar_t* title = nullptr) {
    struct Search {
        const wchar_t* className;
        const wchar_t* title;
        HWND found = nullptr;
    } search{className, title};
    EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
            auto& wanted = *reinterpret_cast<Search*>(context);
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            wchar_t name[64]{};
            GetClassNameW(window, name, 64);
            if (process != GetCurrentProcessId() || !IsWindowVisible(window) || lstrcmpiW(name, wanted.className) != 0) {
                return TRUE;
            }
            if (wanted.title != nullptr) {
                wchar_t title[256]{};
                GetWindowTextW(window, title, 256);
                if (lstrcmpW(title, wanted.title) != 0) {
                    return TRUE;
                }
            }
            wanted.found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

inline SIZE outerSizeOf(HWND window) {
    RECT area{};
    GetWindowRect(window, &area);
    return SIZE{area.right - area.left, area.bottom - area.top};
}

inline SIZE clientSizeOf(HWND window) {
    RECT area{};
    GetClientRect(window, &area);
    return SIZE{area.right, area.bottom};
}

// Runs `step` from a thread timer while the code under test sits in a modal loop (message box, pop-up menu, the
// generic message's wait), until `step` returns true. The loop ends by what `step` does; the limit only keeps
// a broken run from hanging forever.
class WhileModal {
public:
    explicit WhileModal(std::function<bool()> step) : step_(std::move(step)) {
        current() = this;
        timer_ = SetTimer(nullptr, 0, 20, &WhileModal::tick);
    }
    ~WhileModal() {
        KillTimer(nullptr, timer_);
        current() = nullptr;
    }
    WhileModal(const WhileModal&) = delete;
    WhileModal& operator=(const WhileModal&) = delete;

    bool finished() const { return finished_; }
    bool gaveUp() const { return gaveUp_; }

private:
    static WhileModal*& current() {
        static WhileModal* instance = nullptr;
        return instance;
    }
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
        WhileModal* self = current();
        if (self == nullptr || self->finished_) {
            return;
        }
        if (++self->ticks_ > 500) {
            self->gaveUp_ = true;
            self->finished_ = true;
            // Ends whatever modal loop is open, so that the test can fail instead of hanging.
            EndMenu();
            if (HWND box = findOwnWindow(L"#32770")) {
                PostMessageW(box, WM_COMMAND, IDOK, 0);
            }
            return;
        }
        self->finished_ = self->step_();
    }

    std::function<bool()> step_;
    UINT_PTR timer_ = 0;
    int ticks_ = 0;
    bool finished_ = false;
    bool gaveUp_ = false;
};

}  // namespace velmora::test
