#include "capi/named_flag_set.h"

#include <gtest/gtest.h>

namespace {

// A set without names, as the base class is.
class UnnamedFlagSet : public NamedFlagSet {};

TEST(NamedFlagSet, NtfKeepsOnlyItsNamedBit) {
    NtfFlagSet set;
    EXPECT_EQ(set.SetValue(1), KV_OK);
    EXPECT_EQ(set.GetValue(), 1u);
    EXPECT_EQ(set.GetText(), "NTF_FLAG_ALERTING");
    EXPECT_EQ(set.SetValue(3), KV_E_FAIL);
    EXPECT_EQ(set.GetValue(), 1u);
    EXPECT_EQ(set.GetText(), "NTF_FLAG_ALERTING");
    EXPECT_EQ(set.GetResult(), KV_E_FAIL);
}

TEST(NamedFlagSet, B3dtTextListsNamesInRegistrationOrder) {
    B3dtFlagSet set;
    EXPECT_EQ(set.SetValue(0), KV_OK);
    EXPECT_EQ(set.GetValue(), 0u);
    EXPECT_EQ(set.GetText(), "");
    EXPECT_EQ(set.SetValue(3), KV_OK);
    EXPECT_EQ(set.GetText(), "B3DT_FLAG_GOT_CONFIRMATION,B3DT_FLAG_PUT_REQUEST");
}

TEST(NamedFlagSet, AddAndRemoveRebuildTheText) {
    B3dtFlagSet set;
    set.SetValue(1);
    EXPECT_EQ(set.AddFlags(2), KV_OK);
    EXPECT_EQ(set.GetValue(), 3u);
    EXPECT_EQ(set.RemoveFlags(1), KV_OK);
    EXPECT_EQ(set.GetValue(), 2u);
    EXPECT_EQ(set.GetText(), "B3DT_FLAG_PUT_REQUEST");
}

TEST(NamedFlagSet, WithoutNamesOnlyRemoveChangesTheValue) {
    UnnamedFlagSet set;
    EXPECT_EQ(set.SetValue(5), KV_OK);
    EXPECT_EQ(set.GetValue(), 0u);
    EXPECT_EQ(set.AddFlags(4), KV_OK);
    EXPECT_EQ(set.GetValue(), 0u);
    B3dtFlagSet named;
    named.SetValue(3);
    // Assignment brings the other's word; only RemoveFlags can then clear bits.
    static_cast<NamedFlagSet&>(set) = named;
    EXPECT_EQ(set.GetValue(), 3u);
    EXPECT_EQ(set.RemoveFlags(1), KV_OK);
    EXPECT_EQ(set.GetValue(), 2u);
    EXPECT_EQ(set.GetText(), named.GetText()); // not rebuilt
}

TEST(NamedFlagSet, AssignmentCopiesStateButKeepsTheTargetsNames) {
    NtfFlagSet source;
    source.SetValue(3); // result KV_E_FAIL
    NtfFlagSet target;
    target = source;
    EXPECT_EQ(target.GetValue(), 1u);
    EXPECT_EQ(target.GetText(), "NTF_FLAG_ALERTING");
    EXPECT_EQ(target.GetResult(), KV_E_FAIL);
    EXPECT_EQ(target.SetValue(1), KV_OK);
    EXPECT_EQ(target.GetText(), "NTF_FLAG_ALERTING");
}

} // namespace
