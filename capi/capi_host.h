#pragma once
// The owner of the CAPI managers: the process's CAPI application, its
// controllers and connection records, the CAPI messages it received and the
// registry of the running managers. Pass() is the driver: it fetches what
// CAPI has, runs every manager (again while it has work at once, up to
// kMaxRunsPerPass runs), gives the answers that nobody gave,
// drops what every manager has seen and deletes the managers that ended.
//
// Threads: one thread uses a host (the CAPI service's); nothing is locked.

#include "capi/capi_connection.h"
#include "capi/capi_controller_table.h"
#include "capi/capi_manager_base.h"
#include "core/dialling_rules.h"
#include "platform/capi/capi_entry_points.h"
#include "platform/result_codes.h"

#include <cstdint>
#include <deque>
#include <list>
#include <map>
#include <memory>
#include <string>

class CapiHost {
public:
    // The registration's limits: no DATA_B3_IND carries more than a receive
    // block holds.
    static constexpr DWORD kMessageBufferSize = 1024 + 1024 * 30;
    static constexpr DWORD kMaxLogicalConnections = 30;
    static constexpr DWORD kMaxBDataBlocks = 7;
    static constexpr DWORD kMaxBDataLength = B3DataBlock::kCapacity;
    // A bad profile cannot make a controller of more B channels than a
    // primary rate interface has.
    static constexpr std::uint32_t kMaxBChannels = 30;
    // Runs of one manager in a pass while it has work at once: a frame
    // reader then keeps up with 800 frames a second at 10 ms passes, more
    // than three times a B channel's 250.
    static constexpr std::uint32_t kMaxRunsPerPass = 8;

    // Managers of one type, or all, in the order they were filed.
    using ManagerMap = std::list<CapiManagerBase*>;
    using Position = ManagerMap::const_iterator;

    // The entry points stay the caller's and must outlive the host.
    explicit CapiHost(CapiEntryPoints* capi);
    // Deletes the managers still filed and releases the application.
    ~CapiHost();
    CapiHost(const CapiHost&) = delete;
    CapiHost& operator=(const CapiHost&) = delete;

    // CAPI_INSTALLED, then CAPI_REGISTER; KV_E_CAPI_INFO with the CAPI value
    // in GetCapiCode when either fails (the host runs on, without CAPI).
    KvResult Start();
    // CAPI_RELEASE of a registered application.
    void Stop();
    bool IsRegistered() const { return registered_; }
    // A text that says what Start found.
    std::string DescribeStart() const;

    // --- The driver ---
    void Pass();
    // Takes the manager over: its owner and ApplID are set and it sees only
    // messages that arrive from now on. KV_E_INVALID_POINTER for none.
    KvResult FileManager(CapiManagerBase* manager);
    // The running manager whose job id it is; null when none.
    CapiManagerBase* FindManagerByJobId(std::uint32_t job_id) const;
    std::size_t GetManagerCount() const { return all_managers_.size(); }
    // Deletes every filed manager, running or not.
    void DeleteAllManagers();

    // --- The registry iteration ---
    // 1 when there are managers of the type (0: all), else 0. Invalid
    // pointers use the host's own iteration variables.
    std::int32_t BeginIteration(std::int32_t type, Position* position, const ManagerMap** map);
    // The next manager, or null at the end.
    CapiManagerBase* NextManager(Position* position, const ManagerMap** map);
    // Null when no manager of the type runs.
    const ManagerMap* FindTypeMap(std::int32_t type) const;

    // CAPI_GET_PROFILE of controller 0 for the count, then each controller
    // from the highest number down: a new record, or the record already
    // there refreshed; a profile read that fails stops the loop.
    KvResult QueryControllers();
    std::uint32_t GetControllerCount() const { return controller_count_; }
    KvResult GetQueryResult() const { return query_result_; }
    std::uint32_t GetCapiCode() const { return capi_code_; }
    // The B-channel count of a controller's profile, at most kMaxBChannels.
    static std::uint32_t BChannelCount(const CapiControllerRecord& controller);

    void FormatCapiVersion(std::string& out) const;
    void FormatManufacturerVersion(std::string& out) const;

    void SetListenConfirmed(std::uint32_t flag) { listen_confirmed_ = flag; }
    std::uint32_t IsListenConfirmed() const { return listen_confirmed_; }
    void SetListenRequested(std::uint32_t flag) { listen_requested_ = flag; }
    std::uint32_t IsListenRequested() const { return listen_requested_; }
    std::uint32_t GetControllersReady() const { return controllers_ready_; }
    void SetControllersReady(std::uint32_t flag) { controllers_ready_ = flag; }
    std::uint32_t GetConfigSource() const { return config_source_; }
    void SetConfigSource(std::uint32_t source) { config_source_ = source; }
    CapiControllerTable& GetControllerList() { return controllers_; }
    CapiConnectionTable& GetConnectionTable() { return connections_; }
    std::map<std::uint32_t, CapiMessageList>& GetMessageStore() { return store_; }
    DiallingRules& GetDiallingRules() { return dialling_rules_; }
    CapiEntryPoints* GetEntryPoints() const { return capi_; }
    std::uint32_t GetApplId() const { return appl_id_; }
    // Advances the host's 16-bit message number, wrapping.
    std::uint16_t NextMessageNumber() { return ++message_number_; }
    std::uint16_t GetMessageNumber() const { return message_number_; }
    // Messages not kept because they were malformed.
    std::uint32_t GetDroppedCount() const { return dropped_count_; }

    // The PLCI of a call a manager cleared before the network made it
    // active, its record given back before the call's DISCONNECT_IND came:
    // should a CONNECT_ACTIVE_IND still come for it while no connection
    // holds it, the call is cleared once. Forgotten once its DISCONNECT_IND
    // or a new CONNECT_IND comes; at most kMaxClearedPlcis, the oldest
    // forgotten first.
    static constexpr std::size_t kMaxClearedPlcis = 32;
    void KeepClearedPlci(std::uint32_t plci);

    // Appends a received message to the ApplID's list with the next sequence
    // number and the time now; false (nothing kept) for bytes that are no
    // CAPI message.
    bool StoreMessage(std::uint32_t appl_id, std::span<const std::uint8_t> message);

private:
    void FetchMessages();
    void RunManagers();
    void AnswerUnhandled();
    void AnswerStrayIndication(CapiStoredMessage& entry);
    void ClearUnheldCall(CapiStoredMessage& entry);
    // True when the PLCI was kept (and is now forgotten).
    bool ForgetClearedPlci(std::uint32_t plci);
    // A CONNECT_IND or DISCONNECT_IND ends what is known of its PLCI's call.
    void ForgetEndedCall(const CapiStoredMessage& entry);
    // A call of the owner's or a manager's holds the PLCI (FindCallByPlci).
    bool HoldsPlci(std::uint32_t plci) const;
    void PruneMessages();
    void DeleteEndedManagers();
    void Unfile(CapiManagerBase* manager);
    // Puts a message the host built in its codec; the CAPI value.
    DWORD PutBuilt(KvResult built);

    CapiEntryPoints* capi_;
    bool registered_ = false;
    DWORD installed_code_ = 0;
    std::uint32_t appl_id_ = 0;
    std::uint32_t capi_code_ = 0;
    std::uint16_t message_number_ = 0;
    std::uint32_t controller_count_ = 0;
    KvResult query_result_ = KV_OK;
    DiallingRules dialling_rules_;
    std::uint32_t config_source_ = 0;
    std::uint32_t listen_requested_ = 0;
    std::uint32_t listen_confirmed_ = 0;
    std::uint32_t controllers_ready_ = 0;
    std::uint32_t capi_version_[2] = {0, 0};
    std::uint32_t manufacturer_version_[2] = {0, 0};
    CapiControllerTable controllers_;
    CapiConnectionTable connections_;
    std::map<std::uint32_t, CapiMessageList> store_;
    std::uint32_t next_sequence_ = 1;
    std::uint32_t dropped_count_ = 0;
    std::deque<std::uint32_t> cleared_plcis_;
    // Messages up to this sequence have been looked at for ended calls.
    std::uint32_t ended_calls_seen_ = 0;
    std::map<std::int32_t, ManagerMap> managers_by_type_;
    ManagerMap all_managers_;
    Position iteration_position_{};
    const ManagerMap* iteration_map_ = nullptr;
    // The host's own codec for the answers nobody gave.
    CapiMessageCodec codec_;
};
