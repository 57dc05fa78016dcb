#include "core/named_value_map.h"

#include "core/text_values.h"
#include "core/time_date.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <tuple>

namespace {

// Counts its deletions, so that tests see whether a cell deleted it.
struct CountedObject : KvObject {
    explicit CountedObject(int& deletions) : deletions(deletions) {}
    ~CountedObject() override { ++deletions; }
    int& deletions;
};

// KvObject is not the first base, so its address differs from the object's:
// deleting it as anything but a KvObject would free the wrong address.
struct OtherBase {
    virtual ~OtherBase() = default;
    std::int32_t padding = 0;
};
struct SecondBaseObject : OtherBase, CountedObject {
    using CountedObject::CountedObject;
};

TEST(ValueCell, RefusesPointersItCannotHoldAndStaysClear) {
    std::string text;
    TimeDate time;
    BoolValue flag;
    ValueCell cell;
    EXPECT_EQ(cell.Init(kValueCellString, static_cast<std::string*>(nullptr), "N", false),
              KV_E_INVALID_POINTER);
    for (KvResult result : {cell.Init(kValueCellClear, &text, "N", false),
                            cell.Init(kValueCellTimeDate, &text, "N", false),
                            cell.Init(kValueCellString, &time, "N", false),
                            cell.Init(kValueCellObject, &flag, "N", false),
                            cell.Init(kValueCellString3, static_cast<void*>(&text), "N", false)})
        EXPECT_EQ(result, KV_E_FAIL);
    EXPECT_TRUE(cell.GetType() == kValueCellClear && cell.GetPointer() == nullptr &&
                cell.GetName().empty());
}

TEST(ValueCell, DeletesOwnedPointeesAsTheTypeTheyWereRegisteredAsUnlessHandedThemAgain) {
    int deletions = 0;
    {
        ValueCell owning(kValueCellObject, new CountedObject(deletions), "A", true);
        ValueCell second_base(kValueCellObject6, new SecondBaseObject(deletions), "B", true);
        CountedObject member(deletions);
        ValueCell borrowing(kValueCellObject, &member, "C", false);
        auto* kept = new CountedObject(deletions);
        EXPECT_EQ(owning.Init(kValueCellObject, kept, "B", true), KV_OK);
        EXPECT_EQ(owning.Init(kValueCellObject, kept, "C", true), KV_OK);
        EXPECT_EQ(deletions, 1);
    }
    EXPECT_EQ(deletions, 4); // the three owned ones and the member leaving its scope

    // The sanitizers report any of these left behind or freed the wrong way.
    ValueCell text(kValueCellString3, new std::string(100, 'x'), "TEXT", true);
    ValueCell time(kValueCellTimeDate, new TimeDate, "TIME", true);
    ValueCell flag(kValueCellBoolValue, new BoolValue, "FLAG", true);
    ValueCell block(kValueCellMemoryBlock, std::malloc(64), nullptr, true);
    EXPECT_EQ(block.GetName(), "");
    for (ValueCell* cell : {&text, &time, &flag, &block}) {
        cell->Destroy();
        EXPECT_TRUE(cell->GetType() == kValueCellClear && cell->GetPointer() == nullptr);
    }
    // An owned pointee of an unknown type is left alone.
    void* unknown = std::malloc(16);
    ValueCell(9, unknown, "UNKNOWN", true).Destroy();
    std::memset(unknown, 0, 16); // a use after free if the cell had freed it
    std::free(unknown);
}

TEST(NamedValueMap, FindsACellByItsExactNameAndItGivesThePointeeOnlyAsItsOwnType) {
    std::string last_name;
    TimeDate start;
    BoolValue call_out;
    BoundedStringList numbers;
    NamedValueMap map;
    ASSERT_EQ(map.Add(kValueCellString, &last_name, "CSTRING_LASTNAME", false), KV_OK);
    ASSERT_EQ(map.Add(kValueCellTimeDate, &start, "TIME_DATE_START", false), KV_OK);
    ASSERT_EQ(map.Add(kValueCellBoolValue, &call_out, "KVFLAG_CALLOUT", false), KV_OK);
    ASSERT_EQ(map.Add(kValueCellObject, &numbers, "CTI_PHONENUMBER_HANDLER", false), KV_OK);
    EXPECT_EQ(map.Find("CSTRING_LASTNAME")->GetString(), &last_name);
    EXPECT_EQ(map.Find("TIME_DATE_START")->GetTimeDate(), &start);
    EXPECT_EQ(map.Find("KVFLAG_CALLOUT")->GetBoolValue(), &call_out);
    EXPECT_EQ(map.Find("CTI_PHONENUMBER_HANDLER")->GetObject(), &numbers);
    EXPECT_TRUE(map.Find("CSTRING_LASTNAME")->GetTimeDate() == nullptr &&
                map.Find("KVFLAG_CALLOUT")->GetObject() == nullptr &&
                map.Find("cstring_lastname") == nullptr);
    // The name list takes trimmed names and appends.
    EXPECT_EQ(map.SetNameList("A,*,B"), KV_OK);
    EXPECT_EQ(map.SetNameList(" C , D"), KV_OK);
    std::string text;
    EXPECT_EQ(map.GetNameList().GetText(text), "A,*,B,C,D");
}

TEST(NamedValueMap, AddChecksCapacityPointerTypeAndNameInThatOrder) {
    std::vector<std::string> members(30);
    int deletions = 0;
    auto* object = new CountedObject(deletions);
    NamedValueMap map;
    ASSERT_EQ(map.Add(kValueCellString, &members[0], "NAME", false), KV_OK);
    EXPECT_EQ(map.Add(kValueCellString, &members[1], "NAME", false), KV_E_ALREADY_PRESENT);
    EXPECT_EQ(map.Find("NAME")->GetString(), &members[0]);
    EXPECT_EQ(map.Add(kValueCellString, &members[1], "name", false), KV_OK);
    EXPECT_EQ(map.Add(kValueCellString, static_cast<std::string*>(nullptr), nullptr, false),
              KV_E_INVALID_POINTER);
    EXPECT_EQ(map.Add(kValueCellClear, &members[0], "NAME", false), KV_E_FAIL);
    EXPECT_EQ(map.Add(kValueCellTimeDate, object, "WRONG_TYPE", true), KV_E_FAIL);
    EXPECT_EQ(map.Add(kValueCellString, &members[2], nullptr, false), KV_OK);
    EXPECT_EQ(map.Find("")->GetString(), &members[2]);
    // A bad pointer under a good name is entered as a clear cell.
    EXPECT_EQ(map.Add(kValueCellTimeDate, static_cast<TimeDate*>(nullptr), "TIME", false), KV_OK);
    EXPECT_EQ(map.Find("TIME")->GetType(), kValueCellClear);
    for (int i = 4; i < 30; ++i)
        ASSERT_EQ(map.Add(kValueCellString, &members[i], std::to_string(i).c_str(), false), KV_OK);
    EXPECT_EQ(map.Add(kValueCellString, &members[3], "NAME", false), KV_E_LIST_FULL);
    EXPECT_TRUE(map.GetResult() == KV_E_LIST_FULL && map.GetCount() == 30);
    map.Clear();
    EXPECT_EQ(deletions, 0) << "a refused owned pointer stays with the caller";
    delete object;
}

TEST(NamedValueMap, ClearAndDestructionDeleteOnlyOwnedPointees) {
    int deletions = 0;
    std::string member = "kept";
    CountedObject list(deletions);
    {
        NamedValueMap map;
        map.Add(kValueCellObject, new SecondBaseObject(deletions), "OWNED", true);
        map.Add(kValueCellString, &member, "BORROWED", false);
        map.Add(kValueCellObject6, &list, "ADDRESS_HANDLER", false);
        EXPECT_EQ(map.Clear(), KV_OK);
        EXPECT_TRUE(deletions == 1 && map.GetCount() == 0);
        EXPECT_EQ(map.Add(kValueCellString, new std::string(64, 'y'), "OWNED", true), KV_OK);
        map.Add(kValueCellObject6, &list, "ADDRESS_HANDLER", false);
    }
    EXPECT_TRUE(deletions == 1 && member == "kept");
}

} // namespace
