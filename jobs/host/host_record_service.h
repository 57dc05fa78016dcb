#pragma once
// The records service (2048): keeps records per type, answers look-ups of
// one record, the requests for every record of a type, the call query, the
// collection and the chat job's participant and group look-ups; stores the
// records it is told of.

#include "data/data_handler.h"
#include "framework/message.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class JobHost;

class HostRecordService {
public:
    // Record requests of this sub-command ask for every record of a type, as
    // a record store.
    static constexpr std::int32_t kSubCommandAllOfType = 10;
    // The call query: the DATACALLs from the query's start time on, as a
    // record store.
    static constexpr std::int32_t kSubCommandCallQuery = 11;

    explicit HostRecordService(JobHost& host) : host_(host) {}

    void Serve(CKvMessage* message);

    // A record for the look-ups, kept per type; one of the same key is
    // replaced.
    void StoreRecord(std::unique_ptr<CKvDataHandler> record, std::int32_t type);
    CKvDataHandler* FindStoredRecord(std::int32_t type, std::size_t index = 0) const;
    // The next count look-ups that find a record of the type answer
    // DATA_FOUND_LOCKED.
    void ScriptLockedAnswers(std::int32_t type, std::uint32_t count) {
        locked_type_ = type;
        locked_answers_ = count;
    }
    // A silent record service records requests and answers none.
    void SetSilent(bool silent) { silent_ = silent; }

private:
    CKvDataHandler* LookUp(const CKvMessage& message) const;
    // The record requests besides the look-up of one record (collection,
    // call query); false when the message is not one of them.
    bool ServeRecordQuery(CKvMessage* message);
    void ServeCollection(CKvMessage* message);
    // Answers the request with a store of copies of every wanted record of
    // the type, numbered from 1; DATA_NOT_FOUND, without a store, when the
    // store refuses one of them.
    void AnswerWithStore(CKvMessage* message, std::int32_t type,
                         const std::function<bool(CKvDataHandler&)>& wanted);
    void ServeCallQuery(CKvMessage* message);
    // Whether the stored record is the one the request asks for.
    static bool IsAskedRecord(CKvDataHandler& held, CKvDataHandler& asked, std::int32_t type);
    // The chat job's participant look-ups and reports and its start group.
    // True when the message was taken.
    bool ServeChatRecords(CKvMessage* message);
    void AnswerUserGroup(CKvMessage* message);
    void Confirm(CKvMessage* message);

    JobHost& host_;
    std::map<std::int32_t, std::vector<std::unique_ptr<CKvDataHandler>>> records_;
    bool silent_ = false;
    std::int32_t locked_type_ = 0;
    std::uint32_t locked_answers_ = 0;
};
