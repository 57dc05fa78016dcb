#include "capi/capi_connection.h"

#include "capi/capi_controller_table.h"

#include <gtest/gtest.h>

namespace {

class ConnectionPool : public testing::Test {
protected:
    CapiControllerRecord controller_{1};
    CapiConnectionTable pool_;

    void SetUp() override { pool_.CreateRecords(3, std::uint32_t{7}, &controller_); }
};

TEST_F(ConnectionPool, FourthB3RecordOfAConnectionIsNotAvailable) {
    CapiConnection* connection = nullptr;
    ASSERT_EQ(pool_.Take(connection), KV_OK);
    CapiB3Connection* b3 = nullptr;
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(connection->GetB3Pool().Take(b3), KV_OK);
    EXPECT_EQ(connection->GetB3Pool().Take(b3), KV_CAPI_NOT_AVAILABLE);
    EXPECT_EQ(b3, nullptr);
    // Its top bit is clear: it is no failure by KvFailed.
    EXPECT_FALSE(KvFailed(KV_CAPI_NOT_AVAILABLE));
}

TEST_F(ConnectionPool, ReleaseResetsAndRefusesRecordsNotInUse) {
    CapiConnection* connection = nullptr;
    pool_.Take(connection);
    EXPECT_EQ(pool_.GetFreeCount(), 2u);
    connection->SetState(CapiConnection::kConnectRequested);
    connection->GetCodec().SetPlci(0x0101);
    CapiB3Connection* b3 = nullptr;
    connection->GetB3Pool().Take(b3);
    b3->GetReceiveStream().AppendNew();
    EXPECT_EQ(pool_.Release(connection), KV_OK);
    EXPECT_EQ(connection->GetState(), 0u);
    EXPECT_EQ(connection->GetCodec().GetPlci(), 0u);
    EXPECT_EQ(connection->GetCodec().GetApplId(), 7u);
    EXPECT_EQ(connection->GetCodec().GetController(), 1u);
    EXPECT_EQ(connection->GetB3Pool().GetFreeCount(), 3u);
    EXPECT_EQ(b3->GetReceiveStream().Count(), 0u);
    EXPECT_EQ(pool_.Release(connection), KV_CAPI_NOT_AVAILABLE);
    CapiConnectionTable other;
    other.CreateRecords(1, std::uint32_t{7}, &controller_);
    CapiConnection* foreign = nullptr;
    other.Take(foreign);
    pool_.Take(connection);
    EXPECT_EQ(pool_.Release(foreign), KV_CAPI_NOT_AVAILABLE);
}

TEST_F(ConnectionPool, TransferMovesFreeRecordsOrNothing) {
    CapiConnectionTable manager_pool;
    EXPECT_EQ(manager_pool.Transfer(pool_, 4, true), KV_CAPI_NOT_AVAILABLE);
    EXPECT_EQ(pool_.GetFreeCount(), 3u);
    EXPECT_EQ(pool_.GetTotalCount(), 3u);
    EXPECT_EQ(manager_pool.GetTotalCount(), 0u);
    EXPECT_EQ(manager_pool.Transfer(pool_, 2, true), KV_OK);
    EXPECT_EQ(pool_.GetTotalCount(), 1u);
    EXPECT_EQ(manager_pool.GetFreeCount(), 2u);
    EXPECT_EQ(pool_.Transfer(manager_pool, 2, false), KV_OK);
    EXPECT_EQ(pool_.GetFreeCount(), 3u);
}

TEST_F(ConnectionPool, FindsAndAllInState) {
    CapiConnection* first = nullptr;
    CapiConnection* second = nullptr;
    pool_.Take(first);
    pool_.Take(second);
    first->GetCodec().SetPlci(0x0101);
    second->GetCodec().SetPlci(0x0201);
    second->SetIdWord(44);
    second->GetCodec().BuildDisconnectResp(0x99);
    CapiConnection* found = nullptr;
    EXPECT_EQ(pool_.FindByPlci(0x0201, found), KV_OK);
    EXPECT_EQ(found, second);
    EXPECT_EQ(pool_.FindByMessageNumber(0x99, found), KV_OK);
    EXPECT_EQ(found, second);
    EXPECT_EQ(pool_.FindById(44, found), KV_OK);
    EXPECT_EQ(pool_.FindByPlci(0x0301, found), KV_CAPI_NOT_AVAILABLE);
    EXPECT_EQ(found, nullptr);

    CapiB3Connection* b3 = nullptr;
    second->GetB3Pool().Take(b3);
    b3->GetCodec().SetNcci(0x00010201);
    b3->SetIdWord(5);
    CapiConnection* owner = nullptr;
    CapiB3Connection* found_b3 = nullptr;
    EXPECT_EQ(FindB3ByNcci(pool_, 0x00010201, owner, found_b3), KV_OK);
    EXPECT_TRUE(owner == second && found_b3 == b3);
    EXPECT_EQ(FindB3ById(pool_, 5, owner, found_b3), KV_OK);
    EXPECT_EQ(FindB3ByMessageNumber(pool_, 0x77, owner, found_b3), KV_CAPI_NOT_AVAILABLE);
    EXPECT_TRUE(owner == nullptr && found_b3 == nullptr);

    CapiConnection* other = nullptr;
    EXPECT_EQ(pool_.AllInState(0, &other), 1);
    second->SetState(CapiConnection::kDisconnectRequested);
    EXPECT_EQ(pool_.AllInState(0, &other), 0);
    EXPECT_EQ(other, second);
}

TEST(CapiConnection, StateChangedAcknowledgesOnce) {
    CapiConnection connection(1, nullptr);
    EXPECT_EQ(connection.StateChanged(true), 0);
    connection.SetState(CapiConnection::kConnectRequested);
    EXPECT_EQ(connection.GetPreviousState(), 0u);
    EXPECT_EQ(connection.StateChanged(false), 1);
    EXPECT_EQ(connection.StateChanged(true), 1);
    EXPECT_EQ(connection.StateChanged(true), 0);
    EXPECT_NE(connection.GetTimers().Find(kCapiConnectionTimer), nullptr);
    EXPECT_EQ(connection.GetTimers().Find(kCapiConnectionTimer)->GetInterval(), 60000);
}

} // namespace
