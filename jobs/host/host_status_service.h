#pragma once
// The status service (2050): records the status texts the jobs post, and
// hands a line start or stop to the line service (2110) when one runs here.

#include "framework/message.h"

class JobHost;

class HostStatusService {
public:
    explicit HostStatusService(JobHost& host) : host_(host) {}
    void Serve(CKvMessage* message);

private:
    void HandLineToService(CKvMessage* message);

    JobHost& host_;
};
