#pragma once
// Inside the compression manager: the objects behind the handles. Every handle
// a caller passes is looked up among the live objects before it is used, so a
// stale or made-up handle gives MMSYSERR_INVALHANDLE instead of a crash.
#include "platform/acm/Driver.h"

#include <map>

namespace platform::acm {

enum class Kind { DriverId, DriverInstance, Stream };

struct Object {
    explicit Object(Kind k) : kind(k) {}
    virtual ~Object() = default;
    Kind kind;
};

struct DriverIdObject : Object {
    explicit DriverIdObject(const Driver* d) : Object(Kind::DriverId), driver(d) {}
    const Driver* driver;
};

struct DriverInstanceObject : Object {
    explicit DriverInstanceObject(DriverIdObject* i) : Object(Kind::DriverInstance), id(i) {}
    DriverIdObject* id;
};

struct PreparedHeader {
    LPBYTE pbSrc;
    DWORD cbSrcLength;
    LPBYTE pbDst;
    DWORD cbDstLength;
};

struct StreamObject : Object {
    StreamObject() : Object(Kind::Stream) {}
    DriverIdObject* id = nullptr;
    std::unique_ptr<Stream> stream;
    // Output that did not fit into the last destination, handed out first.
    std::vector<BYTE> pending;
    std::map<const ACMSTREAMHEADER*, PreparedHeader> prepared;
};

// One identifier per installed driver, in enumeration order.
const std::vector<DriverIdObject*>& DriverIds();
void Register(Object* o);
void Unregister(Object* o);
// The live object behind a handle when it is of kind `k`, else null.
Object* Lookup(const void* handle, Kind k);

template <class T> T* LookupAs(const void* handle, Kind k) { return static_cast<T*>(Lookup(handle, k)); }

} // namespace platform::acm
