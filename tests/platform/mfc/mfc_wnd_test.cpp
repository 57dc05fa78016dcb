#include "platform/mfc/mfc_wnd.h"
#include "support/wnd_test_support.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::vector<UINT> old_procedure_log;

LRESULT OldProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    old_procedure_log.push_back(message);
    return DefWindowProc(window, message, wParam, lParam);
}

class Recording : public CWnd {
public:
    std::vector<UINT> seen;
    int presubclass = 0;
    bool created_seen_at_presubclass = false;
    DWORD add_at_presubclass = 0;
    std::vector<UINT> dropped;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        seen.push_back(message);
        return CWnd::WindowProc(message, wParam, lParam);
    }
    void PreSubclassWindow() override {
        ++presubclass;
        created_seen_at_presubclass = std::find(seen.begin(), seen.end(), WM_CREATE) != seen.end();
        if (add_at_presubclass != 0)
            ModifyStyle(0, add_at_presubclass, SWP_FRAMECHANGED);
    }
    void OnDroppedMessage(const MSG& message) override { dropped.push_back(message.message); }
};

class SelfDeleting : public CWnd {
public:
    explicit SelfDeleting(int& deleted) : deleted_(deleted) {}
    ~SelfDeleting() override { ++deleted_; }
    void PostNcDestroy() override { delete this; }

private:
    int& deleted_;
};

// A parent that counts what reaches its previous procedure.
int parent_commands = 0;
LRESULT ParentProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND)
        ++parent_commands;
    return DefWindowProc(window, message, wParam, lParam);
}

class ReflectingChild : public CWnd {
public:
    bool accept = false;
    int reflected = 0;
    HBRUSH brush = nullptr;
    BOOL OnCommandReflect(UINT code) override {
        ++reflected;
        last_code = code;
        return accept;
    }
    HBRUSH CtlColor(CDC*, UINT) override { return brush; }
    UINT last_code = 0;
};

class StoppingParent : public CWnd {
protected:
    HBRUSH OnCtlColor(CDC*, CWnd*, UINT) override { return GetSysColorBrush(COLOR_INFOBK); }
};

class MfcWndTest : public WndTest {
protected:
    void SetUp() override {
        WndTest::SetUp();
        Class("MfcOld", OldProcedure);
        Class("MfcParent", ParentProcedure);
        old_procedure_log.clear();
        parent_commands = 0;
    }
    HWND Plain(DWORD style = WS_POPUP) {
        return CreateWindowEx(0, "MfcOld", "plain", style, 0, 0, 100, 50, nullptr, nullptr, nullptr, nullptr);
    }
};

TEST_F(MfcWndTest, CreateExAttachesBeforeNcCreateAndPresubclassesOnceBeforeCreate) {
    Recording window;
    ASSERT_TRUE(window.CreateEx(0, "MfcOld", "x", WS_POPUP, 0, 0, 100, 50, nullptr, nullptr));
    ASSERT_FALSE(window.seen.empty());
    EXPECT_EQ(window.seen.front(), WM_NCCREATE);
    EXPECT_EQ(window.presubclass, 1);
    EXPECT_FALSE(window.created_seen_at_presubclass);
    EXPECT_EQ(CWnd::FromHandle(window.m_hWnd), &window);
    // Default reaches the class procedure.
    EXPECT_NE(std::find(old_procedure_log.begin(), old_procedure_log.end(), WM_CREATE), old_procedure_log.end());
    EXPECT_TRUE(window.DestroyWindow());
    EXPECT_EQ(window.m_hWnd, nullptr);
}

TEST_F(MfcWndTest, SubclassWindowKeepsTheOldProcedureForDefault) {
    HWND plain = Plain();
    Recording object;
    ASSERT_TRUE(object.SubclassWindow(plain));
    EXPECT_EQ(object.presubclass, 1);
    old_procedure_log.clear();
    SendMessage(plain, WM_USER + 5, 0, 0);
    EXPECT_EQ(object.seen.back(), WM_USER + 5);
    EXPECT_EQ(old_procedure_log, std::vector<UINT>{WM_USER + 5});
    char text[16] = {};
    EXPECT_EQ(GetWindowText(plain, text, sizeof text), 5);
    DestroyWindow(plain);
}

TEST_F(MfcWndTest, ModifyStyleWithFrameChangedChangesTheFrame) {
    HWND plain = Plain();
    Recording object;
    ASSERT_TRUE(object.SubclassWindow(plain));
    RECT before, after;
    GetClientRect(plain, &before);
    EXPECT_TRUE(object.ModifyStyle(0, WS_BORDER, SWP_FRAMECHANGED));
    GetClientRect(plain, &after);
    EXPECT_EQ(after.right, before.right - 2);
    EXPECT_FALSE(object.ModifyStyle(0, WS_BORDER));  // nothing to change
    object.DestroyWindow();

    Recording during;
    during.add_at_presubclass = WS_BORDER;
    ASSERT_TRUE(during.CreateEx(0, "MfcOld", "", WS_POPUP, 0, 0, 100, 50, nullptr, nullptr));
    GetClientRect(during.m_hWnd, &after);
    EXPECT_EQ(after.right, 98);
    EXPECT_NE(during.GetStyle() & WS_BORDER, 0u);
}

TEST_F(MfcWndTest, FromHandleGivesAPlainObjectThatSubclassingReplaces) {
    HWND plain = Plain();
    CWnd* temporary = CWnd::FromHandle(plain);
    ASSERT_NE(temporary, nullptr);
    EXPECT_EQ(CWnd::FromHandle(plain), temporary);
    old_procedure_log.clear();
    SendMessage(plain, WM_USER, 0, 0);
    EXPECT_EQ(old_procedure_log, std::vector<UINT>{WM_USER});
    Recording object;
    ASSERT_TRUE(object.SubclassWindow(plain));
    EXPECT_EQ(CWnd::FromHandle(plain), &object);
    Recording second;
    EXPECT_FALSE(second.SubclassWindow(plain));  // one object per window
    EXPECT_FALSE(second.Attach(plain));
    old_procedure_log.clear();
    SendMessage(plain, WM_USER, 0, 0);
    EXPECT_EQ(old_procedure_log, std::vector<UINT>{WM_USER});
    DestroyWindow(plain);
    // A plain object dies with its window.
    HWND other = Plain();
    ASSERT_NE(CWnd::FromHandle(other), nullptr);
    DestroyWindow(other);
}

TEST_F(MfcWndTest, AQueuedMessageOfADestroyedWindowReachesOnDroppedMessage) {
    Recording window;
    ASSERT_TRUE(window.CreateEx(0, "MfcOld", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    window.PostMessage(WM_USER + 9);
    window.DestroyWindow();
    EXPECT_EQ(window.dropped, std::vector<UINT>{WM_USER + 9});
    Pump();
}

TEST_F(MfcWndTest, AnObjectDeletingItselfInPostNcDestroyIsNotTouchedAgain) {
    int deleted = 0;
    auto* window = new SelfDeleting(deleted);
    ASSERT_TRUE(window->CreateEx(0, "MfcOld", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    HWND handle = window->m_hWnd;
    // Destroyed from inside its own handler (WM_CLOSE): deletion waits for the dispatch.
    SendMessage(handle, WM_CLOSE, 0, 0);
    EXPECT_EQ(deleted, 1);
    EXPECT_FALSE(IsWindow(handle));
}

// Mouse moves take a shorter path through WindowProc than other messages.
class MouseRecording : public Recording {
public:
    std::vector<CPoint> moves;

protected:
    void OnMouseMove(UINT, CPoint point) override {
        moves.push_back(point);
        Default();
    }
};

TEST_F(MfcWndTest, AMouseMoveReachesOnMouseMoveAnOverriddenWindowProcAndDefault) {
    MouseRecording window;
    ASSERT_TRUE(window.CreateEx(0, "MfcOld", "", WS_POPUP, 0, 0, 100, 50, nullptr, nullptr));
    old_procedure_log.clear();
    window.seen.clear();
    window.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(-3, 7));
    ASSERT_EQ(window.moves.size(), 1u);
    EXPECT_EQ(window.moves[0].x, -3);
    EXPECT_EQ(window.moves[0].y, 7);
    EXPECT_EQ(window.seen, std::vector<UINT>{WM_MOUSEMOVE});
    EXPECT_EQ(old_procedure_log, std::vector<UINT>{WM_MOUSEMOVE});
    window.DestroyWindow();
}

TEST_F(MfcWndTest, MessagesAlternatingBetweenWindowsReachEachWindowsOwnObject) {
    MouseRecording first;
    MouseRecording second;
    ASSERT_TRUE(first.CreateEx(0, "MfcOld", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    ASSERT_TRUE(second.CreateEx(0, "MfcOld", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    for (int i = 0; i < 3; ++i) {
        SendMessage(first.m_hWnd, WM_MOUSEMOVE, 0, MAKELPARAM(1, i));
        SendMessage(second.m_hWnd, WM_MOUSEMOVE, 0, MAKELPARAM(2, i));
        SendMessage(second.m_hWnd, WM_MOUSEMOVE, 0, MAKELPARAM(2, i));
    }
    ASSERT_EQ(first.moves.size(), 3u);
    ASSERT_EQ(second.moves.size(), 6u);
    EXPECT_EQ(first.moves[2].x, 1);
    EXPECT_EQ(second.moves[5].x, 2);
    first.DestroyWindow();
    second.DestroyWindow();
}

TEST_F(MfcWndTest, AnObjectDestroyingItsWindowOnAMouseMoveIsDeletedAfterTheDispatch) {
    int deleted = 0;
    class DeletingOnMove : public SelfDeleting {
    public:
        using SelfDeleting::SelfDeleting;

    protected:
        void OnMouseMove(UINT, CPoint) override { DestroyWindow(); }
    };
    auto* window = new DeletingOnMove(deleted);
    ASSERT_TRUE(window->CreateEx(0, "MfcOld", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    HWND handle = window->m_hWnd;
    SendMessage(handle, WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
    EXPECT_EQ(deleted, 1);
    EXPECT_FALSE(IsWindow(handle));
}

TEST_F(MfcWndTest, AnObjectDestroyedBeforeItsWindowDestroysTheWindow) {
    HWND handle = nullptr;
    {
        Recording window;
        ASSERT_TRUE(window.CreateEx(0, "MfcOld", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
        handle = window.m_hWnd;
    }
    EXPECT_FALSE(IsWindow(handle));
}

TEST_F(MfcWndTest, ACommandIsReflectedToTheChildOnceAndDeclinedOnesReachTheParent) {
    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, "MfcParent", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr));
    ReflectingChild child;
    ASSERT_TRUE(child.CreateEx(0, "MfcOld", "", WS_CHILD, CRect(0, 0, 10, 10), &parent, 7));
    parent.SendMessage(WM_COMMAND, MAKEWPARAM(7, 3), reinterpret_cast<LPARAM>(child.m_hWnd));
    EXPECT_EQ(child.reflected, 1);
    EXPECT_EQ(child.last_code, 3u);
    EXPECT_EQ(parent_commands, 1);
    child.accept = true;
    parent.SendMessage(WM_COMMAND, MAKEWPARAM(7, 3), reinterpret_cast<LPARAM>(child.m_hWnd));
    EXPECT_EQ(child.reflected, 2);
    EXPECT_EQ(parent_commands, 1);
    parent.DestroyWindow();
}

TEST_F(MfcWndTest, CtlColorIsReflectedUnlessTheParentOverridesIt) {
    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, "MfcParent", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr));
    ReflectingChild child;
    ASSERT_TRUE(child.CreateEx(0, "MfcOld", "", WS_CHILD, CRect(0, 0, 10, 10), &parent, 7));
    CClientDC dc(&child);
    const auto ask = [&](HWND target) {
        return reinterpret_cast<HBRUSH>(SendMessage(target, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.m_hDC),
                                                    reinterpret_cast<LPARAM>(child.m_hWnd)));
    };
    EXPECT_EQ(ask(parent.m_hWnd), GetSysColorBrush(COLOR_3DFACE));  // declined: the default
    child.brush = GetSysColorBrush(COLOR_HIGHLIGHT);
    EXPECT_EQ(ask(parent.m_hWnd), child.brush);

    StoppingParent stopping;
    ASSERT_TRUE(stopping.CreateEx(0, "MfcParent", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr));
    ReflectingChild other;
    other.brush = GetSysColorBrush(COLOR_HIGHLIGHT);
    ASSERT_TRUE(other.CreateEx(0, "MfcOld", "", WS_CHILD, CRect(0, 0, 10, 10), &stopping, 8));
    EXPECT_EQ(reinterpret_cast<HBRUSH>(SendMessage(stopping.m_hWnd, WM_CTLCOLORSTATIC,
                                                   reinterpret_cast<WPARAM>(dc.m_hDC),
                                                   reinterpret_cast<LPARAM>(other.m_hWnd))),
              GetSysColorBrush(COLOR_INFOBK));
}

TEST_F(MfcWndTest, GetDcWithoutAWindowGivesTheScreen) {
    CWnd none;
    CDC* dc = none.GetDC();
    ASSERT_NE(dc, nullptr);
    RECT box;
    dc->GetClipBox(&box);
    EXPECT_EQ(box.right, 1024);
    none.ReleaseDC(dc);
}

// Subclasses its window from inside a message the window's temporary object
// is dispatching, as a control does when it takes over a child on a click.
CWnd* g_taking_over = nullptr;
LRESULT TakeOverProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER + 7 && g_taking_over != nullptr)
        return g_taking_over->SubclassWindow(window);
    return DefWindowProc(window, message, wParam, lParam);
}

TEST_F(MfcWndTest, SubclassingFromInsideTheTemporaryObjectsOwnMessageWaitsForItToEnd) {
    Class("MfcTakeOver", TakeOverProcedure);
    HWND window = CreateWindowEx(0, "MfcTakeOver", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(CWnd::FromHandle(window), nullptr);
    Recording object;
    g_taking_over = &object;
    EXPECT_EQ(SendMessage(window, WM_USER + 7, 0, 0), TRUE);
    g_taking_over = nullptr;
    EXPECT_EQ(CWnd::FromHandlePermanent(window), &object);
    object.DestroyWindow();
}

}  // namespace
