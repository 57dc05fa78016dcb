#include "platform/platform_window.h"

#include "platform/thread_messaging.h"

#include <gtest/gtest.h>

namespace {

constexpr UINT kDisposed = 0x810;
constexpr UINT kOther = 0x811;

std::vector<LPARAM>& Disposed() {
    static std::vector<LPARAM> disposed;
    return disposed;
}

void RecordDisposed(const ThreadMessage& message) {
    Disposed().push_back(message.lParam);
}

class DroppingWindow : public PlatformWindow {
public:
    ~DroppingWindow() override { Destroy(); }
    void OnDroppedMessage(const ThreadMessage& message) override {
        dropped.push_back(message.lParam);
    }
    std::vector<LPARAM> dropped;
};

class WindowDisposerTest : public testing::Test {
protected:
    void SetUp() override {
        Disposed().clear();
        AttachThreadQueue(queue_);
        ASSERT_TRUE(window_.Create());
    }
    void TearDown() override {
        window_.Destroy();
        DetachThreadQueue();
    }
    void Post(UINT number, LPARAM value) {
        ASSERT_TRUE(PostWindowMessage(window_.GetHandle(), number, 0, value));
    }

    std::shared_ptr<MessageQueue> queue_ = std::make_shared<MessageQueue>();
    DroppingWindow window_;
};

} // namespace

TEST_F(WindowDisposerTest, DestroyingTheWindowHandsEachNumberToItsDisposerOrToTheWindow) {
    EXPECT_FALSE(SetWindowMessageDisposer(nullptr, kDisposed, &RecordDisposed));
    ASSERT_TRUE(SetWindowMessageDisposer(window_.GetHandle(), kDisposed, &RecordDisposed));
    Post(kDisposed, 1);
    Post(kOther, 2);
    Post(kDisposed, 3);
    window_.Destroy();
    EXPECT_EQ(Disposed(), (std::vector<LPARAM>{1, 3}));
    EXPECT_EQ(window_.dropped, (std::vector<LPARAM>{2}));
}

TEST_F(WindowDisposerTest, TakingTheMessagesOfANumberLeavesTheOthersAndTheDisposer) {
    ASSERT_TRUE(SetWindowMessageDisposer(window_.GetHandle(), kDisposed, &RecordDisposed));
    Post(kDisposed, 1);
    Post(kOther, 2);
    const std::vector<ThreadMessage> taken = TakeWindowMessages(window_.GetHandle(), kDisposed);
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(std::tuple(taken[0].lParam, queue_->GetCount()), std::tuple(LPARAM{1}, std::size_t{1}));
    Post(kDisposed, 4);
    ASSERT_TRUE(SetWindowMessageDisposer(window_.GetHandle(), kOther, nullptr));
    window_.Destroy();
    EXPECT_EQ(Disposed(), (std::vector<LPARAM>{4})) << "a post under way is still disposed of";
    EXPECT_EQ(window_.dropped, (std::vector<LPARAM>{2}));
    EXPECT_TRUE(TakeWindowMessages(window_.GetHandle(), kDisposed).empty());
}
