#include "framework/typed_object67.h"

#include "framework/holder_objects.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

TEST(TypedObjects, Copy46TakesOnlyTheFourthStateWordAnd67DeepCopiesItsEntries) {
    CKvTypedObject46 record, other;
    other.state_words.fill(7);
    other.text = "x";
    record = other;
    EXPECT_EQ(record.state_words,
              (std::array<std::uint32_t, 8>{CKvTypedObject46::kInitialMask, 1, 0, 7, 0, 0, 0, 0}));
    EXPECT_EQ(record.text, "");
    CKvTypedObject67 source, target;
    CKvTypedObject67Entry* entry = nullptr;
    ASSERT_EQ(source.CreateEntry(entry), KV_OK);
    entry->addresses[2].SetPort(80);
    EXPECT_EQ(source.Append(nullptr), KV_E_INVALID_POINTER);
    target.Append(new CKvTypedObject67Entry);
    target.Append(new CKvTypedObject67Entry);
    target = source;
    ASSERT_EQ(target.GetCount(), 1u);
    EXPECT_NE(target.GetAt(0), entry);
    EXPECT_EQ(target.GetAt(0)->addresses[2].GetPort(), 80u);
}
