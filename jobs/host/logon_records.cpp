#include "jobs/host/logon_records.h"

#include "data/data_call.h"
#include "data/data_device.h"
#include "data/data_general.h"
#include "data/data_host.h"
#include "data/data_preferences.h"
#include "data/data_server_user.h"
#include "platform/local_identity.h"

void StoreServerLogonRecords(JobHost& server, const std::string& login,
                             std::initializer_list<const char*> devices) {
    server.GetRecordService().StoreRecord(std::make_unique<CKvDataGeneral>(),
                                          K_KVDT_TP_DTHDLR_DATAGENERAL);
    std::string name;
    GetLocalIdentitySource().GetHostName(name);
    auto host = std::make_unique<CKvDataHost>();
    host->GetHost().Set(name, kLoopbackAddress, 0);
    for (const char* device : devices)
        host->GetCtiDeviceNumbers().Add(device);
    server.GetRecordService().StoreRecord(std::move(host), K_KVDT_TP_DTHDLR_DATACOMPUTER);
    auto user = std::make_unique<CKvDataServerUser>();
    user->GetLoginName() = login;
    COMPUTER_IDENT* entry = nullptr;
    user->GetComputerIdentList().Add(entry, "", kLoopbackAddress, 0);
    for (const char* device : devices) {
        user->GetDeviceNumberList().Add(device);
        auto record = std::make_unique<CKvDataDevice>();
        std::string number = device;
        record->SetNumber(number);
        server.GetRecordService().StoreRecord(std::move(record), K_KVDT_TP_DTHDLR_DATADEVICE);
    }
    server.GetRecordService().StoreRecord(std::move(user), K_KVDT_TP_DTHDLR_DATASERVERUSER);
}

void StoreWorkstationPreferences(JobHost& workstation, std::uint16_t server_port,
                                 std::uint32_t last_call_seconds) {
    auto preferences = std::make_unique<CKvDataPreferences>();
    preferences->GetFlagServerUse().Set(1);
    preferences->GetFlagTapiUse().Set(0);
    preferences->GetComputerIdent().Set("", kLoopbackAddress, server_port);
    preferences->GetClientPortsSet().SetFromText(std::to_string(workstation.GetPort()));
    preferences->GetDateTimeLastCallIn().SetSeconds(last_call_seconds);
    workstation.GetRecordService().StoreRecord(std::move(preferences),
                                               K_KVDT_TP_DTHDLR_DATAPREFERENCES);
}

void StoreCall(JobHost& host, std::uint32_t seconds, std::uint32_t milliseconds,
               const std::string& numberint) {
    auto call = std::make_unique<CKvDataCall>();
    call->GetStartTime().SetSeconds(seconds);
    call->GetStartTime().SetMilliseconds(milliseconds);
    call->FormatStartTime();
    call->GetNumberInt() = numberint;
    host.GetRecordService().StoreRecord(std::move(call), K_KVDT_TP_DTHDLR_DATACALL);
}
