#pragma once
// The common base of lists and records that are deleted through a base
// pointer: owners that only know "an object with a virtual destructor" (a
// named value cell, a payload table) delete them through it.

class KvObject {
public:
    KvObject() = default;
    KvObject(const KvObject&) = default;
    KvObject(KvObject&&) = default;
    KvObject& operator=(const KvObject&) = default;
    KvObject& operator=(KvObject&&) = default;
    virtual ~KvObject() = default;
};
