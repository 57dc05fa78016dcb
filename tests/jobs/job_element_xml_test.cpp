#include "jobs/job_element_xml.h"

#include "jobs/job_data_client2.h"
#include "jobs/job_data_dial.h"
#include "jobs/job_data_tapi_dial.h"
#include "jobs_test_support.h"

#include <cstring>
#include <functional>

namespace {

// A reader of five named keys: its element's opening and closing tags, its
// keys in order, and a new job to read with.
struct KeyedReader {
    const char* name;
    std::string open;
    std::string close;
    std::array<const char*, 5> keys;
    std::function<std::unique_ptr<CKvJobData>()> make;
};

std::vector<KeyedReader> Readers() {
    return {
        {"CLIENT2", "<JobDataClient>", "</JobDataClient>",
         {"notifycalls", "loginname", "hostname", "hostip", "portnumber"},
         [] { return std::make_unique<CKvJobDataClient2>(); }},
        {"DIAL", "<JobDataDial idsource=\"5\">", "</JobDataDial>",
         {"loginname", "hostname", "hostip", "portnumber", "targetnumber"},
         [] { return std::make_unique<CKvJobDataDial>(); }},
        {"TAPI dial", "<JobDataTAPIDial idsource=\"5\">", "</JobDataTAPIDial>",
         {"loginname", "hostname", "hostip", "portnumber", "targetnumber"},
         [] { return std::make_unique<CKvJobDataTAPIDial>(); }},
    };
}

std::string Key(const char* name) {
    return std::string("<") + name + ">1</" + name + ">";
}

TEST(RequiredKeys, EachOfTheFiveKeysMustOccurExactlyOnceForEveryReader) {
    RegisterAllPayloads();
    // Which keys (by index into the reader's keys) the element holds.
    const struct {
        const char* what;
        std::vector<int> keys;
        bool extra;
        KvResult result;
    } cases[] = {
        {"each once", {0, 1, 2, 3, 4}, false, KV_OK},
        {"each once and another name", {0, 1, 2, 3, 4}, true, KV_OK},
        {"each once in another order", {4, 2, 0, 3, 1}, false, KV_OK},
        {"one missing", {0, 1, 2, 3}, false, KV_E_FAIL},
        {"one twice (six elements)", {0, 1, 2, 3, 4, 1}, false, KV_E_FAIL},
        {"one twice and one missing", {0, 1, 2, 3, 3}, false, KV_E_FAIL},
        {"one three times", {0, 0, 0, 1, 2, 3, 4}, false, KV_E_FAIL},
        {"none", {}, false, KV_E_FAIL},
    };
    for (const KeyedReader& reader : Readers()) {
        for (const auto& row : cases) {
            SCOPED_TRACE(std::string(reader.name) + ": " + row.what);
            std::string text = "<JobData>" + reader.open;
            for (const int key : row.keys)
                text += Key(reader.keys[static_cast<std::size_t>(key)]);
            if (row.extra)
                text += Key("other");
            text += reader.close + "</JobData>";
            std::unique_ptr<CKvJobData> job = reader.make();
            EXPECT_EQ(ReadJobText(text, *job), row.result);
        }
    }
}

TEST(RequiredKeys, AKeyHoldingAnElementIsNoKeyForAnyReader) {
    RegisterAllPayloads();
    for (const KeyedReader& reader : Readers()) {
        for (const char* held : {"<b/>", "<b>1</b>", "1<b/>"}) {
            SCOPED_TRACE(std::string(reader.name) + ": " + held);
            std::string text = "<JobData>" + reader.open;
            for (const char* key : reader.keys) {
                text += std::string(key) == "hostname"
                            ? std::string("<hostname>") + held + "</hostname>"
                            : Key(key);
            }
            text += reader.close + "</JobData>";
            std::unique_ptr<CKvJobData> job = reader.make();
            EXPECT_EQ(ReadJobText(text, *job), KV_E_FAIL);
            // An empty key is a key all the same.
            std::string empty = text;
            empty.replace(empty.find("<hostname>"),
                          std::string("<hostname></hostname>").size() + std::strlen(held),
                          "<hostname/>");
            job = reader.make();
            EXPECT_EQ(ReadJobText(empty, *job), KV_OK) << empty;
        }
    }
}

TEST(RequiredKeys, AMissingElementIsTheLookUpsFailure) {
    RegisterAllPayloads();
    for (const KeyedReader& reader : Readers()) {
        SCOPED_TRACE(reader.name);
        std::unique_ptr<CKvJobData> job = reader.make();
        const KvResult result = ReadJobText("<JobData><Other /></JobData>", *job);
        EXPECT_NE(result, KV_OK);
        EXPECT_NE(result, KV_E_FAIL);
    }
}

} // namespace
