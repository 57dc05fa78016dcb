// The text listener's framing without sockets: texts, the limits and the
// pause while handed-on texts fill the bound, on the caller's time.
#include "platform/tcp_text_framing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kMaxBytes = 8;
constexpr std::uint32_t kTimeoutMs = 2000;
constexpr std::size_t kMaxConnections = 3;
constexpr std::size_t kMaxHeld = 20;

class FramingTest : public ::testing::Test {
protected:
    FramingTest()
        : budget_(std::make_shared<TcpTextBudget>()),
          framing_(
              {kMaxBytes, kTimeoutMs, kMaxConnections, kMaxHeld}, budget_,
              [this](ReceivedTcpText&& text) { texts_.push_back(std::move(text)); },
              [this](int id, TcpTextDrop cause) {
                  closed_.push_back({id, cause != TcpTextDrop::kNone});
                  causes_.push_back(cause);
              }) {}

    // Reads as the listener does: within the room given, making room first.
    // How many bytes were taken.
    std::size_t Give(int id, const std::string& bytes, std::int64_t now_ms = 0) {
        std::size_t at = 0;
        while (at < bytes.size() && framing_.IsOpen(id)) {
            std::size_t room = framing_.Room(id);
            if (room == 0 && !framing_.MakeRoom(id, now_ms))
                break;
            room = framing_.Room(id);
            const std::size_t count = std::min(room, bytes.size() - at);
            framing_.Append(id, bytes.data() + at, count, now_ms);
            at += count;
        }
        return at;
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const ReceivedTcpText& text : texts_)
            texts.push_back(text.text);
        return texts;
    }
    struct Closed {
        int id;
        bool dropped;
        bool operator==(const Closed& other) const {
            return id == other.id && dropped == other.dropped;
        }
    };

    std::shared_ptr<TcpTextBudget> budget_;
    TcpTextFraming framing_;
    std::vector<ReceivedTcpText> texts_;
    std::vector<Closed> closed_;
    std::vector<TcpTextDrop> causes_;
};

TEST_F(FramingTest, EachTextIsTheBytesOfOneConnection) {
    framing_.Open(1, 0x7F000001u, 0);
    framing_.Open(2, 0x7F000002u, 0);
    Give(1, "abc");
    Give(2, "xy");
    Give(1, "def");
    framing_.End(2);
    framing_.End(1);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"xy", "abcdef"}));
    EXPECT_EQ(texts_[0].peer_address, 0x7F000002u);
    EXPECT_EQ(texts_[1].peer_address, 0x7F000001u);
    EXPECT_EQ(closed_, (std::vector<Closed>{{2, false}, {1, false}}));
    // The texts hold their bytes until released.
    EXPECT_EQ(framing_.GetHeldBytes(), 8u);
    texts_.clear();
    EXPECT_EQ(framing_.GetHeldBytes(), 0u);
}

TEST_F(FramingTest, LimitsOfSizeTimeAndConnections) {
    struct Case {
        const char* name;
        std::string bytes;
        std::int64_t end_at_ms;
        TcpTextDrop cause;
    };
    const Case cases[] = {
        {"at the size cap", std::string(kMaxBytes, 'a'), 0, TcpTextDrop::kNone},
        {"one byte above", std::string(kMaxBytes + 1, 'a'), 0, TcpTextDrop::kSizeCap},
        {"ended just in time", "a", kTimeoutMs - 1, TcpTextDrop::kNone},
        {"ended at the time-out", "a", kTimeoutMs, TcpTextDrop::kReadTimeOut},
    };
    int id = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        texts_.clear();
        causes_.clear();
        ++id;
        framing_.Open(id, 0, 0);
        Give(id, c.bytes);
        framing_.Expire(c.end_at_ms);
        framing_.End(id);
        EXPECT_EQ(texts_.size(), c.cause == TcpTextDrop::kNone ? 1u : 0u);
        EXPECT_EQ(causes_, (std::vector<TcpTextDrop>{c.cause}));
        EXPECT_EQ(framing_.GetOpenCount(), 0u);
    }
    // The oldest makes way for a connection beyond the cap.
    closed_.clear();
    causes_.clear();
    for (int more = 10; more < 10 + static_cast<int>(kMaxConnections) + 1; ++more)
        framing_.Open(more, 0, more);
    EXPECT_EQ(closed_, (std::vector<Closed>{{10, true}}));
    EXPECT_EQ(causes_, (std::vector<TcpTextDrop>{TcpTextDrop::kConnectionCap}));
    EXPECT_EQ(framing_.GetOpenCount(), kMaxConnections);
}

TEST_F(FramingTest, APeerIsJudgedQuietOnlyOverTime) {
    std::vector<TcpTextDrop> causes;
    TcpTextFraming framing(
        {kMaxBytes, kTimeoutMs, kMaxConnections, kMaxHeld, 1000, 5 * kTimeoutMs}, budget_,
        [](ReceivedTcpText&&) {}, [&](int, TcpTextDrop cause) { causes.push_back(cause); });
    // Bytes within the last second spare a connection at its time-out.
    framing.Open(1, 0, 0);
    framing.Append(1, "a", 1, 1500);
    framing.Expire(kTimeoutMs);
    EXPECT_TRUE(framing.IsOpen(1));
    // A started connection makes way only once quiet for that second.
    EXPECT_FALSE(framing.EvictQuiet(2499));
    std::int64_t quiet_at = 0;
    ASSERT_TRUE(framing.NextQuiet(quiet_at));
    EXPECT_EQ(quiet_at, 2500);
    EXPECT_TRUE(framing.EvictQuiet(2500));
    // A trickle is spared for five time-outs at most.
    constexpr std::int64_t kOpenedAt = 3000;
    framing.Open(2, 0, kOpenedAt);
    std::int64_t now = kOpenedAt;
    for (; framing.IsOpen(2); now += 500) {
        if ((now - kOpenedAt) % kTimeoutMs == kTimeoutMs - 500)
            framing.Append(2, "b", 1, now);
        framing.Expire(now);
    }
    EXPECT_EQ(now - 500, kOpenedAt + 5 * kTimeoutMs);
    EXPECT_EQ(causes,
              (std::vector<TcpTextDrop>{TcpTextDrop::kEviction, TcpTextDrop::kReadTimeOut}));
}

TEST_F(FramingTest, TextsBeingReadThatFillTheBoundLoseTheOldest) {
    for (int id = 1; id <= 3; ++id)
        framing_.Open(id, 0, 0);
    Give(1, "1111111");
    Give(2, "2222222");
    Give(3, "333333");
    EXPECT_EQ(framing_.GetHeldBytes(), kMaxHeld);
    Give(3, "3");
    EXPECT_EQ(closed_, (std::vector<Closed>{{1, true}}));
    EXPECT_FALSE(framing_.IsPaused());
    framing_.End(3);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"3333333"}));
}

TEST_F(FramingTest, NewTextsStartOnlyWhileTextsUnderWayCanReachTheirCap) {
    // kMaxHeld holds two texts at their cap.
    for (int id = 1; id <= 3; ++id)
        framing_.Open(id, 0, 0);
    EXPECT_EQ(framing_.Startable(), kMaxHeld / kMaxBytes);
    framing_.Start(1, 0);
    EXPECT_TRUE(framing_.IsStarted(1));
    EXPECT_FALSE(framing_.IsStarted(2));
    EXPECT_EQ(framing_.Startable(), 1u);
    Give(1, "11111111");
    Give(2, "22222222");
    Give(3, "3333");
    EXPECT_EQ(framing_.GetHeldBytes(), kMaxHeld);
    EXPECT_EQ(framing_.Startable(), 0u);
    // Texts at their cap still read their ends with the bound reached.
    EXPECT_EQ(framing_.Room(1), 1u);
    EXPECT_EQ(framing_.Room(3), 0u);
    framing_.End(1);
    framing_.End(2);
    framing_.Fail(3);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"11111111", "22222222"}));
    // The handed-on texts leave room for no new one until released.
    EXPECT_EQ(framing_.Startable(), 0u);
    EXPECT_TRUE(framing_.PauseUntilStartable(5));
    EXPECT_FALSE(framing_.HasRoom());
    texts_.clear();
    EXPECT_TRUE(framing_.HasRoom());
    EXPECT_EQ(framing_.Startable(), kMaxHeld / kMaxBytes);
}

TEST_F(FramingTest, HandedOnTextsThatFillTheBoundPauseReadingAndTime) {
    framing_.Open(1, 0, 0);
    framing_.Open(2, 0, 0);
    framing_.Open(3, 0, 0);
    Give(1, "11111111");
    framing_.End(1);
    Give(2, "22222222");
    framing_.End(2);
    // Four bytes fit; the fifth waits.
    EXPECT_EQ(Give(3, "33333", 1500), 4u);
    EXPECT_EQ(framing_.GetHeldBytes(), kMaxHeld);
    EXPECT_TRUE(framing_.IsPaused());
    EXPECT_EQ(framing_.GetReadingBytes(), 4u);
    // Nobody's time runs, however long the texts wait.
    std::int64_t deadline = 0;
    EXPECT_FALSE(framing_.NextDeadline(deadline));
    framing_.Expire(60000);
    EXPECT_TRUE(framing_.IsOpen(3));
    EXPECT_FALSE(framing_.HasRoom());
    texts_.erase(texts_.begin());
    ASSERT_TRUE(framing_.HasRoom());
    // Paused from 1,500 to 60,000 ms: 58,500 ms added to the 2,000 ms.
    framing_.Resume(60000);
    ASSERT_TRUE(framing_.NextDeadline(deadline));
    EXPECT_EQ(deadline, 2000 + 58500);
    EXPECT_EQ(Give(3, "33", 60000), 2u);
    framing_.Expire(deadline - 1);
    framing_.End(3);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"22222222", "333333"}));
    EXPECT_EQ(closed_.size(), 3u);
    EXPECT_TRUE(std::none_of(closed_.begin(), closed_.end(),
                             [](const Closed& closed) { return closed.dropped; }));
}

TEST_F(FramingTest, AConnectionOpenedDuringAPauseStartsItsTimeOnResuming) {
    framing_.Open(1, 0, 0);
    Give(1, "11111111");
    framing_.End(1);
    framing_.Open(2, 0, 0);
    Give(2, "22222222");
    framing_.End(2);
    framing_.Open(3, 0, 100);
    EXPECT_EQ(Give(3, "33333", 100), 4u);
    ASSERT_TRUE(framing_.IsPaused());
    framing_.Open(4, 0, 5000);
    texts_.clear();
    framing_.Resume(9000);
    std::int64_t deadline = 0;
    ASSERT_TRUE(framing_.NextDeadline(deadline));
    EXPECT_EQ(deadline, 9000 + 2000);
    framing_.Expire(deadline - 1);
    EXPECT_TRUE(framing_.IsOpen(3));
    EXPECT_TRUE(framing_.IsOpen(4));
    framing_.Expire(deadline);
    EXPECT_FALSE(framing_.IsOpen(3));
    EXPECT_FALSE(framing_.IsOpen(4));
    EXPECT_EQ(framing_.GetHeldBytes(), 0u);
}

} // namespace
