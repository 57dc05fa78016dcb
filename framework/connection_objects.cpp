#include "framework/connection_objects.h"

#include "framework/message.h"
#include "platform/pointer.h"

CKvConnectionObject::CKvConnectionObject() {
    timers.Add(kTimerId, kTimerSeconds, 0);
}

CKvConnectionObject::~CKvConnectionObject() {
    ReleaseMessage();
}

void CKvConnectionObject::AddTimer(std::uint32_t id, std::uint32_t seconds,
                                   std::uint32_t milliseconds) {
    if (id != 0)
        timers.Add(id, seconds, milliseconds);
}

void CKvConnectionObject::SetMessage(CKvMessage* message) {
    if (message != message_)
        ReleaseMessage();
    message_ = message;
}

CKvMessage* CKvConnectionObject::TakeMessage() {
    CKvMessage* message = message_;
    message_ = nullptr;
    return message;
}

void CKvConnectionObject::ReleaseMessage() {
    CKvMessage* message = TakeMessage();
    if (!IsValidPtr(message))
        return;
    // Releasing a message that carries this object would destroy it twice.
    if (message->GetPayload() == static_cast<void*>(this))
        message->DeleteHeaderOnly();
    else
        message->Release();
}

CKvConnectionObject& CKvConnectionObject::operator=(const CKvConnectionObject& other) {
    name = other.name;
    buffer = other.buffer;
    numbers = other.numbers;
    timers = other.timers;
    word = other.word;
    short_number = other.short_number;
    return *this;
}

CKvTypedObject42& CKvTypedObject42::operator=(const CKvTypedObject42& other) {
    CKvConnectionObject::operator=(other);
    peers = other.peers;
    further_numbers = other.further_numbers;
    return *this;
}

void CKvTypedObject42::SetData(const std::string& address_text, std::uint32_t port,
                               const std::string& data_name, std::uint32_t timeout_ms) {
    peers[0].SetAddressText(address_text);
    peers[0].SetPort(port);
    name = data_name;
    buffer.clear();
    numbers[1] = timeout_ms;
    numbers[3] = 1;
}

CKvTypedObject58& CKvTypedObject58::operator=(const CKvTypedObject58& other) {
    CKvConnectionObject::operator=(other);
    peer = other.peer;
    first_text = other.first_text;
    second_text = other.second_text;
    words = other.words;
    value = other.value;
    return *this;
}
