#include "framework/holder_objects.h"

#include "platform/pointer.h"

CKvTypedObject59::CKvTypedObject59(HandleTable* table) {
    TakeLock(table);
}

CKvTypedObject59::CKvTypedObject59(const CKvTypedObject59& other)
    : word(other.word), words(other.words) {
    TakeLock(other.table_);
}

CKvTypedObject59& CKvTypedObject59::operator=(const CKvTypedObject59& other) {
    word = other.word;
    words = other.words;
    return *this;
}

CKvTypedObject59::~CKvTypedObject59() {
    FreeLock();
}

CriticalSection* CKvTypedObject59::GetLock() const {
    CriticalSection* lock = nullptr;
    if (IsValidPtr(table_) && lock_id_ != 0)
        table_->Lookup(lock_id_, lock);
    return lock;
}

void CKvTypedObject59::TakeLock(HandleTable* table) {
    if (!IsValidPtr(table))
        return;
    table_ = table;
    table_->Allocate(lock_id_);
}

void CKvTypedObject59::FreeLock() {
    if (IsValidPtr(table_) && lock_id_ != 0)
        table_->Free(lock_id_);
    lock_id_ = 0;
}

CKvTypedObject46::CKvTypedObject46() {
    state_words[0] = kInitialMask;
    state_words[1] = 1;
    timer_.SetInterval(kTimeoutSeconds, 0);
    timer_.Start();
}

CKvTypedObject46& CKvTypedObject46::operator=(const CKvTypedObject46& other) {
    state_words[kCopiedWord] = other.state_words[kCopiedWord];
    return *this;
}
