#include "graph/CSampleRef.h"

#include "graph/CMediaSample.h"

namespace zvp {

CSampleRef::CSampleRef(CMediaSample* sample) : p_(sample) {
    if (p_) p_->AddRef();
}

CSampleRef::CSampleRef(const CSampleRef& other) : p_(other.p_) {
    if (p_) p_->AddRef();
}

void CSampleRef::Release() {
    if (CMediaSample* p = std::exchange(p_, nullptr)) p->Release();
}

}  // namespace zvp
