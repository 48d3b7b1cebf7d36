#include "media/ICdDriveTable.h"

#include <utility>

#include "app/Mutex.h"

namespace zvp {

namespace {

Mutex& TableLock() {
    static Mutex lock;
    return lock;
}

std::shared_ptr<const ICdDriveTable>& Installed() {
    static std::shared_ptr<const ICdDriveTable> table;
    return table;
}

}  // namespace

void ICdDriveTable::Set(std::shared_ptr<const ICdDriveTable> table) {
    std::shared_ptr<const ICdDriveTable> previous;
    {
        MutexLock lock(TableLock());
        previous = std::exchange(Installed(), std::move(table));
    }
    // `previous` is released outside the lock.
}

std::shared_ptr<const ICdDriveTable> ICdDriveTable::Get() {
    MutexLock lock(TableLock());
    return Installed();
}

}  // namespace zvp
