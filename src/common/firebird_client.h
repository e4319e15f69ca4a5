#pragma once

// Plumbing shared by the database classes: the client's master interface, owned status objects, and the
// conversion of client exceptions into DatabaseError. Only .cpp files of this folder include it.

#include <firebird/Interface.h>

#include <memory>

#include "common/database_error.h"

namespace velmora::firebird {

Firebird::IMaster* master();
Firebird::IUtil* util();

struct ReleaseInterface {
    template <class T>
    void operator()(T* object) const { object->release(); }
};
struct DisposeInterface {
    template <class T>
    void operator()(T* object) const { object->dispose(); }
};
template <class T>
using Ref = std::unique_ptr<T, ReleaseInterface>;
template <class T>
using Owned = std::unique_ptr<T, DisposeInterface>;

// A status object of our own for one sequence of calls; calls through it throw FbException on error.
class Status {
public:
    Status() : status_(master()->getStatus()), wrapper_(status_.get()) {}
    Firebird::ThrowStatusWrapper* get() { return &wrapper_; }

private:
    Owned<Firebird::IStatus> status_;
    Firebird::ThrowStatusWrapper wrapper_;
};

DatabaseError toDatabaseError(const Firebird::FbException& error);

}  // namespace velmora::firebird
