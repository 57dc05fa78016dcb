#pragma once
// The records a server host and a workstation host need for a logon of this
// machine's user and the synchronisation of its calls: shared by the
// demonstration, the end-to-end tests and the logon benchmark.

#include "jobs/host/job_host.h"

#include <cstdint>
#include <initializer_list>
#include <string>

// DATAGENERAL (without TAPI), this machine's DATAHOST, the user's
// DATASERVERUSER (this machine in its computer list, the devices as its
// device numbers) and a DATADEVICE per device.
void StoreServerLogonRecords(JobHost& server, const std::string& login,
                             std::initializer_list<const char*> devices);
// The workstation's DATAPREFERENCES: a server at 127.0.0.1:server_port, this
// host's port as its client port, and the time of the last known call.
void StoreWorkstationPreferences(JobHost& workstation, std::uint16_t server_port,
                                 std::uint32_t last_call_seconds);
// A DATACALL at the start time, made on the internal number.
void StoreCall(JobHost& host, std::uint32_t seconds, std::uint32_t milliseconds,
               const std::string& numberint);
