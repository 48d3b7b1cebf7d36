#include "graph/CSource.h"

#include "graph/CSourceStream.h"

namespace zvp {

CSource::CSource(const char* pName, HRESULT* phr) : CBaseFilter(pName, &m_cStateLock) {}

CSource::~CSource() {
    // Last resort: the graph stops filters before destroying them.
    if (!IsStopped()) CSource::Stop();
    m_paStreams.clear();
}

int CSource::GetPinCount() {
    CAutoLock lock(&m_cStateLock);
    return int(m_paStreams.size());
}

CBasePin* CSource::GetPin(int n) {
    CAutoLock lock(&m_cStateLock);
    if (n < 0 || n >= int(m_paStreams.size())) return nullptr;
    return m_paStreams[size_t(n)].get();
}

CSourceStream* CSource::AddPin(std::unique_ptr<CSourceStream> pStream) {
    if (!pStream) return nullptr;
    CAutoLock lock(&m_cStateLock);
    m_paStreams.push_back(std::move(pStream));
    return m_paStreams.back().get();
}

HRESULT CSource::RemovePin(CSourceStream* pStream) {
    CAutoLock lock(&m_cStateLock);
    for (auto it = m_paStreams.begin(); it != m_paStreams.end(); ++it) {
        if (it->get() == pStream) {
            m_paStreams.erase(it);
            return S_OK;
        }
    }
    return S_FALSE;
}

int CSource::FindPinNumber(CBasePin* pPin) {
    CAutoLock lock(&m_cStateLock);
    for (size_t i = 0; i < m_paStreams.size(); ++i) {
        if (m_paStreams[i].get() == pPin) return int(i);
    }
    return -1;
}

}  // namespace zvp
