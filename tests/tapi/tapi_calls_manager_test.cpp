#include "tapi/tapi_calls_manager.h"

#include "platform/tapi/tapi_types.h"
#include "tapi_test_support.h"

#include <memory>
#include <string>

namespace {

using KvTapiCallsManagerTest = TapiClockTest;

std::unique_ptr<KVTAPICALL> MakeCall(std::uint32_t hcall, const std::string& number = {}) {
    auto call = std::make_unique<KVTAPICALL>();
    call->GetHcall() = hcall;
    call->GetCalledNumber() = number;
    return call;
}

// Three calls, a line name and a line handle.
void FillManager(KVTAPICALLSMANAGER& manager) {
    manager.GetIdentifier() = "Line <1>";
    manager.GetHline() = 0x10002;
    for (std::uint32_t hcall : {0x20003u, 0x20001u, 0x20002u}) {
        KVTAPICALL* call = nullptr;
        ASSERT_EQ(manager.CreateCall(call, hcall), KV_OK);
        call->GetCalledNumber() = "0711 " + std::to_string(hcall & 0xF);
        call->SetState(hcall == 0x20001u ? LINECALLSTATE_CONNECTED : LINECALLSTATE_ONHOLD);
    }
}

// The handles of the calls in iteration order.
std::string Handles(const KVTAPICALLSMANAGER& manager) {
    std::string handles;
    KVTAPICALLSMANAGER::Position position;
    if (!manager.GetStartPosition(position))
        return handles;
    while (KVTAPICALL* call = manager.GetNextCall(position))
        handles += Format("%X ", call->GetHcall());
    return handles;
}

TEST_F(KvTapiCallsManagerTest, RefusesThe33rdCallAndIsFullFrom32) {
    KVTAPICALLSMANAGER manager;
    EXPECT_EQ(manager.GetElementName(), "KVTAPICALLSMANAGER");
    EXPECT_EQ(manager.GetFeatures().GetValue(), 0u);
    for (std::uint32_t hcall = 1; hcall <= 32; ++hcall) {
        EXPECT_FALSE(manager.IsFull()) << hcall;
        auto call = MakeCall(hcall);
        ASSERT_EQ(manager.AddCall(call), KV_OK);
        EXPECT_EQ(call, nullptr);
    }
    EXPECT_TRUE(manager.IsFull());
    auto extra = MakeCall(33);
    EXPECT_EQ(manager.AddCall(extra), KV_E_LIST_FULL);
    EXPECT_NE(extra, nullptr); // the caller keeps what was refused
    KVTAPICALL* created = nullptr;
    EXPECT_EQ(manager.CreateCall(created, 34), KV_E_LIST_FULL);
    EXPECT_EQ(created, nullptr);
    EXPECT_EQ(manager.GetCount(), 32u);
}

TEST_F(KvTapiCallsManagerTest, AddFindAndRemoveByHandle) {
    KVTAPICALLSMANAGER manager;
    std::unique_ptr<KVTAPICALL> none;
    EXPECT_EQ(manager.AddCall(none), KV_E_INVALID_POINTER);
    auto zero = MakeCall(0);
    EXPECT_EQ(manager.AddCall(zero), KV_E_FAIL); // could never be found or removed
    KVTAPICALL* created = nullptr;
    EXPECT_EQ(manager.CreateCall(created, 0), KV_E_FAIL);
    EXPECT_EQ(manager.GetCount(), 0u);

    FillManager(manager);
    EXPECT_EQ(Handles(manager), "20003 20001 20002 ");
    auto twin = MakeCall(0x20001);
    EXPECT_EQ(manager.AddCall(twin), KV_E_ALREADY_PRESENT);

    KVTAPICALL* found = nullptr;
    EXPECT_EQ(manager.FindCall(found, 0), KV_E_FAIL);
    EXPECT_EQ(manager.FindCall(found, 9), KV_E_NOT_PRESENT);
    EXPECT_EQ(found, nullptr);
    EXPECT_EQ(manager.FindCall(found, 0x20002), KV_OK);
    EXPECT_EQ(found->GetCalledNumber(), "0711 2");
    EXPECT_EQ(manager.FindCallByCalledNumber(found, "0711 1"), KV_OK);
    EXPECT_EQ(found->GetHcall(), 0x20001u);
    EXPECT_EQ(manager.FindCallByCalledNumber(found, "0711 1 "), KV_E_FAIL);
    EXPECT_EQ(manager.FindCallByState(found, LINECALLSTATE_ONHOLD), KV_OK);
    EXPECT_EQ(found->GetHcall(), 0x20003u); // the first in order
    EXPECT_EQ(manager.FindCallByState(found, LINECALLSTATE_IDLE), KV_E_FAIL);

    // Handed over by pointer: taken on success, the caller's when refused.
    EXPECT_EQ(manager.AddCall(static_cast<KVTAPICALL*>(nullptr)), KV_E_INVALID_POINTER);
    auto* raw = new KVTAPICALL;
    raw->GetHcall() = 0x20009;
    EXPECT_EQ(manager.AddCall(raw), KV_OK);
    auto* refused = new KVTAPICALL;
    refused->GetHcall() = 0x20009;
    EXPECT_EQ(manager.AddCall(refused), KV_E_ALREADY_PRESENT);
    delete refused;
    EXPECT_EQ(manager.DetachCall(0x20009), KV_OK);
    EXPECT_FALSE(manager.HasCall(0x20009));
    delete raw;

    std::unique_ptr<KVTAPICALL> detached;
    EXPECT_EQ(manager.DetachCall(detached, 0x20003), KV_OK);
    EXPECT_EQ(detached->GetHcall(), 0x20003u);
    EXPECT_EQ(manager.DetachCall(detached, 0x20003), KV_E_FAIL);
    EXPECT_EQ(manager.RemoveCall(0), KV_E_FAIL);
    EXPECT_EQ(manager.RemoveCall(0x20003), KV_E_NOT_PRESENT);
    EXPECT_EQ(manager.RemoveCall(0x20001), KV_OK);
    EXPECT_FALSE(manager.HasCall(0x20001));
    EXPECT_EQ(Handles(manager), "20002 ");
    EXPECT_EQ(manager.RemoveAllCalls(), KV_OK);
    KVTAPICALLSMANAGER::Position position;
    EXPECT_FALSE(manager.GetStartPosition(position));
}

TEST_F(KvTapiCallsManagerTest, RoundTripOfThreeCallsKeepsOrderAndFields) {
    KVTAPICALLSMANAGER manager;
    FillManager(manager);
    const std::string text = XmlText(manager);
    EXPECT_EQ(text.rfind("<KVTAPICALLSMANAGER identifier=\"Line &lt;1&gt;\" hline=\"65538\">"
                         "<KVTAPICALL identifier=\"\"><hcall>131075</hcall>",
                         0),
              0u)
        << text;

    KVTAPICALLSMANAGER read;
    ASSERT_EQ(ReadXmlText(read, text), KV_OK);
    EXPECT_EQ(read.GetIdentifier(), "Line <1>");
    EXPECT_EQ(read.GetHline(), 0x10002u);
    EXPECT_EQ(Handles(read), "20003 20001 20002 ");
    EXPECT_EQ(XmlText(read), text);

    // Over a manager holding one of the handles: that call stays as it was.
    KVTAPICALLSMANAGER partial;
    KVTAPICALL* kept = nullptr;
    ASSERT_EQ(partial.CreateCall(kept, 0x20002), KV_OK);
    kept->GetCalledNumber() = "kept";
    EXPECT_EQ(ReadXmlText(partial, text), KV_E_ALREADY_PRESENT);
    EXPECT_EQ(partial.GetResult(), KV_E_ALREADY_PRESENT);
    EXPECT_EQ(Handles(partial), "20002 20003 20001 ");
    EXPECT_EQ(kept->GetCalledNumber(), "kept");

    EXPECT_EQ(manager.ReadXml(nullptr), KV_E_INVALID_POINTER);
    XmlDocument document;
    XmlNode* out = nullptr;
    EXPECT_EQ(manager.WriteXml(out, document, nullptr), KV_E_INVALID_POINTER);
    ExpectNothingWrittenUnderUnlinkableParents(manager);
    EXPECT_EQ(manager.GetResult(), KV_E_FAIL);
}

// A foreign child, a call under handle 0 and a call without identifier are
// dropped without leaking; a foreign root is left alone.
TEST_F(KvTapiCallsManagerTest, ReadsOnlyCallsThatCanBeKept) {
    KVTAPICALLSMANAGER manager;
    EXPECT_EQ(ReadXmlText(manager, "<KVTAPICALLSMANAGER identifier=\"L\" hline=\"7\">"
                                   "<OTHER><hcall>5</hcall></OTHER>"
                                   "<KVTAPICALL identifier=\"\"><hcall>0</hcall></KVTAPICALL>"
                                   "<KVTAPICALL identifier=\"\"><hcall>6</hcall></KVTAPICALL>"
                                   "</KVTAPICALLSMANAGER>"),
              KV_OK);
    EXPECT_EQ(Handles(manager), "6 ");
    EXPECT_EQ(ReadXmlText(manager, "<KVTAPICALLSMANAGER identifier=\"L\">"
                                   "<KVTAPICALL identifier=\"\"><hcall>0</hcall></KVTAPICALL>"
                                   "</KVTAPICALLSMANAGER>"),
              KV_E_FAIL);
    EXPECT_EQ(ReadXmlText(manager, "<KVTAPICALLSMANAGER identifier=\"M\">"
                                   "<KVTAPICALL><hcall>8</hcall></KVTAPICALL>"
                                   "</KVTAPICALLSMANAGER>"),
              KV_E_NOT_FOUND);
    EXPECT_EQ(Handles(manager), "6 ");
    EXPECT_EQ(manager.GetIdentifier(), "M");
    EXPECT_EQ(manager.GetHline(), 7u);
    EXPECT_EQ(ReadXmlText(manager, "<CALLS identifier=\"X\" hline=\"1\"/>"), KV_OK);
    EXPECT_EQ(manager.GetIdentifier(), "M");
    EXPECT_EQ(ReadXmlText(manager, "<KVTAPICALLSMANAGER identifier=\"E\" hline=\"3\"/>"), KV_OK);
    EXPECT_EQ(manager.GetHline(), 3u);
}

TEST_F(KvTapiCallsManagerTest, AssignmentAndCloneAreDeepAndSelfAssignmentKeepsTheCalls) {
    KVTAPICALLSMANAGER manager;
    FillManager(manager);
    manager.GetFeatures().FormatText(LINECALLFEATURE_SWAPHOLD);
    manager.GetSpareText() = "third";
    manager.GetWords() = {1, 2, 3};
    KVTAPICALL* first = nullptr;
    manager.FindCall(first, 0x20001);
    first->GetMadeByThisLine() = 1;

    // Each clone sets the result word, which a failed look-up left set.
    std::unique_ptr<KVTAPICALLSMANAGER> clone;
    EXPECT_EQ(manager.FindCall(first, 0), KV_E_FAIL);
    ASSERT_EQ(manager.Clone(clone), KV_OK);
    EXPECT_EQ(manager.GetResult(), KV_OK);
    KVTAPICALLSMANAGER* payload = nullptr;
    EXPECT_EQ(manager.RemoveCall(0x4711), KV_E_NOT_PRESENT);
    ASSERT_EQ(manager.Clone(payload), KV_OK);
    EXPECT_EQ(manager.GetResult(), KV_OK);
    EXPECT_EQ(XmlText(*payload), XmlText(manager));
    delete payload;
    KVTAPICALLSMANAGER assigned;
    FillManager(assigned);
    assigned = manager;
    for (KVTAPICALLSMANAGER* copy : {clone.get(), &assigned}) {
        EXPECT_EQ(XmlText(*copy), XmlText(manager));
        EXPECT_EQ(copy->GetFeatures().Text(), "LINECALLFEATURE_SWAPHOLD");
        EXPECT_EQ(copy->GetSpareText(), "third");
        EXPECT_EQ(copy->GetWords()[2], 3u);
        KVTAPICALL* call = nullptr;
        ASSERT_EQ(copy->FindCall(call, 0x20001), KV_OK);
        EXPECT_NE(call, first);
        EXPECT_EQ(call->GetMadeByThisLine(), 1u);
    }
    first->GetCalledNumber() = "changed";
    EXPECT_NE(XmlText(*clone), XmlText(manager));

    const std::string before = XmlText(manager);
    KVTAPICALLSMANAGER& same = manager;
    manager = same;
    EXPECT_EQ(manager.GetCount(), 3u);
    EXPECT_EQ(XmlText(manager), before);
}

} // namespace
