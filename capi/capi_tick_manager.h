#pragma once
// The central CAPI manager of the process (payload 54): it fetches the host's
// configuration, builds the controller table and the B-channel connection
// records, puts every controller into listening and from then on answers the
// indications of the owner's application. At most one runs per owner.

#include "capi/capi_manager_base.h"
#include "data/data_handler_store.h"

#include <memory>

class CKvDataIsdnController;

class CapiTickManager : public CapiManagerBase {
public:
    // States of its own besides the common ones.
    static constexpr std::uint32_t kWaitingForConfiguration = 34;
    static constexpr std::uint32_t kWaitingForControllers = 35;
    static constexpr std::uint32_t kStartListening = 29;
    static constexpr std::uint32_t kTickRunning = 30;
    static constexpr std::uint32_t kWaitSeconds = 4;

    CapiTickManager();
    ~CapiTickManager() override;

    void Reset();
    KvResult Run() override;
    KvResult Step() override;
    const void* AsPayload() const override { return this; }

    // A LISTEN_CONF with Info 0 and the manager's message number confirms the
    // owner's listening; the other confirmations are left alone.
    static KvResult HandleConfirmation(CapiManagerBase& manager, CapiStoredMessage* message);
    // The indication handling the managers share
    // (CapiManagerBase::AnswerIndication).
    static KvResult HandleIndication(CapiManagerBase& manager, CapiStoredMessage* message);

    KvResult BuildControllersFromCapi();
    KvResult BuildControllersFromRecords(CKvDataHandlerStore* store);
    CKvDataHandlerStore* GetHandlerStore() const { return handler_store_.get(); }

protected:
    KvResult OnConfirmation(CapiStoredMessage* message) override {
        return HandleConfirmation(*this, message);
    }

private:
    KvResult DoStart();
    KvResult DoWaitForConfiguration();
    KvResult DoWaitForControllers();
    KvResult DoStartListening();
    KvResult DoWaitForListenConf();
    KvResult DoRunning();

    // Removes and releases a queued ENDED or SHUTDOWN; true when there was one.
    bool TakeShutdown();
    bool TakeConfiguration(CKvMessage& message);
    KvResult SendToHost(CKvMessage* message, std::uint32_t value);
    KvResult SendConfigurationRequest();
    KvResult SendControllerListRequest(std::uint32_t value);
    // Connection records for each B channel of the controller in the
    // owner's table.
    void CreateConnections(CapiControllerRecord& controller);
    // Takes the controller of the record into use, or out of the table.
    void BuildController(const CKvDataIsdnController& record);
    bool TimerExpired(std::uint32_t id) { return timers_.CheckExpired(id) != 0; }

    std::unique_ptr<CKvDataHandlerStore> handler_store_;
};
