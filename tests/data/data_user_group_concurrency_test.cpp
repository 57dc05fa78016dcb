#include "data/data_user_group.h"

#include "core/handle_table.h"
#include "data_test_support.h"
#include "platform/sync.h"

#include <thread>

namespace {

// How long another thread is given to take a lock that is free.
constexpr DWORD kProbeMs = 200;

// A user record whose clone checks, from another thread, whether the store's
// lock is held while it is being cloned.
class LockProbingUser : public CKvDataUser {
public:
    bool Clone(std::unique_ptr<CKvDataHandler>& out) const override {
        ManualResetEvent entered;
        std::thread other([&] {
            store->Lock();
            entered.Set();
            store->Unlock();
        });
        locked_while_cloned = !entered.Wait(kProbeMs);
        const bool cloned = CKvDataUser::Clone(out);
        if (locked_while_cloned)
            store->Unlock(); // let the other thread in before joining it
        other.join();
        if (locked_while_cloned)
            store->Lock();
        return cloned;
    }

    CKvDataHandlerStore* store = nullptr;
    mutable bool locked_while_cloned = false;
};

TEST(DataUserGroupConcurrency, ResolveMembersClonesUnderTheStoreLock) {
    HandleTable table;
    CKvDataHandlerStore users(K_KVDT_TP_DTHDLR_DATAUSER, 1, 10, "USERS", nullptr);
    users.SetHandleTable(&table);
    ASSERT_EQ(users.AttachLock(true), KV_OK);
    FakeDataHandlerCatalog catalog;
    catalog.File(K_KVDT_TP_DTHDLR_DATAUSER, &users);
    auto probe = std::make_unique<LockProbingUser>();
    probe->store = &users;
    SetText(*probe, &CKvDataUser::SetScreenName, "probe");
    LockProbingUser* probing = probe.get();
    ASSERT_EQ(users.Add(probe.get()), KV_OK);
    probe.release();

    CKvDataUserGroup group(&catalog);
    group.ParseIdentifierList("probe");
    EXPECT_EQ(group.ResolveMembers(), KV_OK);
    EXPECT_TRUE(probing->locked_while_cloned);
    users.DeleteAll();
}

} // namespace
