#include "framework/win_thread.h"

#include "framework_test_support.h"
#include "platform/platform_window.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint16_t kWindowEndpoint = 0x810;

class WindowEndpointTest : public RouterFixture {
protected:
    void SetUp() override {
        RouterFixture::SetUp();
        ASSERT_TRUE(window_.Create());
    }
    KvResult SendToWindow(std::uint32_t value) {
        return SendFromSelf(kWindowEndpoint, KV_MSG_KIND_INFO, 1,
                            NewMessageWithCountingPayload(value));
    }

    CKvWinThread thread_{&router_, 0x805, "worker", false};
    PlatformWindow window_;
};

} // namespace

TEST_F(WindowEndpointTest, RegistersAWindowEndpointOnceAndUnregistersItOnce) {
    EXPECT_EQ(CKvWinThread(false).RegisterWindowAtRouter(kWindowEndpoint, window_.GetHandle(), "w"),
              KV_E_INVALID_POINTER);
    EXPECT_EQ(CKvWinThread(false).UnregisterAtRouter(kWindowEndpoint), KV_E_INVALID_POINTER);
    ASSERT_EQ(thread_.RegisterWindowAtRouter(kWindowEndpoint, window_.GetHandle(), "window"), KV_OK);
    EXPECT_EQ(thread_.RegisterWindowAtRouter(kWindowEndpoint, nullptr, "other"), KV_E_FAIL);
    CKvRouterEndpoint entry;
    ASSERT_EQ(router_.LookupEndpoint(entry, kWindowEndpoint), 1);
    EXPECT_EQ(std::tuple(entry.kind, entry.window, *entry.name),
              std::tuple(CKvRouterEndpoint::kWindow, window_.GetHandle(), std::string("window")));
    EXPECT_EQ(thread_.UnregisterAtRouter(kWindowEndpoint), KV_OK);
    EXPECT_EQ(thread_.UnregisterAtRouter(kWindowEndpoint), KV_E_FAIL);
    EXPECT_EQ(router_.LookupEndpoint(entry, kWindowEndpoint), 0);
}

TEST_F(WindowEndpointTest, UnregisteringReleasesWhatIsStillQueuedForTheWindowOnly) {
    ASSERT_EQ(thread_.RegisterWindowAtRouter(kWindowEndpoint, window_.GetHandle(), "window"), KV_OK);
    ASSERT_EQ(SendToWindow(1), KV_OK);
    ASSERT_EQ(SendFromSelf(kSelf, KV_MSG_KIND_INFO, 1, NewMessageWithCountingPayload(2)), KV_OK);
    ASSERT_EQ(SendToWindow(3), KV_OK);
    EXPECT_EQ(counting_.Live(), 3);
    EXPECT_EQ(thread_.UnregisterAtRouter(kWindowEndpoint), KV_OK);
    EXPECT_EQ(counting_.Live(), 1);
    CKvMessage* kept = queue_.Take();
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(PayloadValue(*kept), 2u) << "the thread's own message stays";
    kept->Release();
    EXPECT_EQ(queue_.GetCount(), 0u);
}

TEST_F(WindowEndpointTest, DestroyingTheWindowReleasesWhatIsStillQueuedForItsEndpoint) {
    ASSERT_EQ(thread_.RegisterWindowAtRouter(kWindowEndpoint, window_.GetHandle(), "window"), KV_OK);
    ASSERT_EQ(SendToWindow(1), KV_OK);
    ASSERT_EQ(SendToWindow(2), KV_OK);
    window_.Destroy();
    EXPECT_EQ(std::tuple(counting_.Live(), queue_.GetCount()), std::tuple(0, std::size_t{0}));
    CKvMessage* late = NewMessageWithCountingPayload(3, KV_MSG_KIND_INFO);
    EXPECT_EQ(late->Send(kWindowEndpoint, kSelf, &router_, 0, false, false), KV_E_FAIL)
        << "a destroyed window takes nothing; the sender keeps the message";
    late->Release();
    EXPECT_EQ(thread_.UnregisterAtRouter(kWindowEndpoint), KV_OK);
}
