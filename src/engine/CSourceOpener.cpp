#include "engine/CSourceOpener.h"

#include <utility>

#include "media/CVelloSource.h"

namespace zvp {

CSourceOpener::~CSourceOpener() {
    Wait();
}

void CSourceOpener::Start(CVelloSource* source, std::string path, std::function<void()> done) {
    Wait();
    result_ = E_FAIL;
    thread_ = std::thread([this, source, path = std::move(path), done = std::move(done)] {
        result_ = source ? source->Open(path) : E_POINTER;
        if (done) done();
    });
}

HRESULT CSourceOpener::Wait() {
    if (thread_.joinable()) thread_.join();
    return result_;
}

}  // namespace zvp
