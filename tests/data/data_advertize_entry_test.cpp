#include "data/data_advertize_entry.h"

#include "data_test_support.h"

namespace {

TEST(DataAdvertizeEntry, RuntimeWordIsCopiedButNotPersistedAndFlagsNeedCapitalTrue) {
    auto sample = SampleRecord(K_KVDT_TP_DTHDLR_DATAADVERTIZEENTRY, 0);
    auto& entry = static_cast<CKvDataAdvertizeEntry&>(*sample);
    entry.SetRuntimeWord(77);
    CKvDataAdvertizeEntry copy;
    EXPECT_EQ(ReadXmlText(copy, XmlText(entry)), KV_OK);
    EXPECT_EQ(copy.GetRuntimeWord(), 0u);
    copy.GetFlagShowOnce().Set(1);
    ReadXmlText(copy, "<E><flagshowonce>true</flagshowonce></E>");
    EXPECT_FALSE(copy.GetFlagShowOnce().IsTrue());
    EXPECT_EQ(copy.GetKey(), "spring0"); // kept without the attribute

    copy = entry; // the runtime word travels inside the process
    EXPECT_EQ(copy.GetRuntimeWord(), 77u);
    copy.Reset();
    EXPECT_EQ(copy.GetRuntimeWord(), 0u);
}

} // namespace
