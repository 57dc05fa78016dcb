#include "framework/typed_object67.h"

#include <gtest/gtest.h>

TEST(TypedObject67, CopyReplacesTheEntriesByDeepCopies) {
    CKvTypedObject67 source;
    CKvTypedObject67Entry* entry = nullptr;
    ASSERT_EQ(source.CreateEntry(entry), KV_OK);
    entry->addresses[2].SetPort(80);
    entry->second_number = 5;
    source.number = 3;
    source.text = "t";
    EXPECT_EQ(source.Append(nullptr), KV_E_INVALID_POINTER);

    CKvTypedObject67 target;
    target.Append(new CKvTypedObject67Entry);
    target.Append(new CKvTypedObject67Entry);
    target = source;
    ASSERT_EQ(target.GetCount(), 1u);
    EXPECT_NE(target.GetAt(0), entry);
    EXPECT_EQ(std::tuple(target.GetAt(0)->addresses[2].GetPort(), target.GetAt(0)->second_number,
                         target.number, target.text),
              std::tuple(80u, 5u, 3u, "t"));
}
