#pragma once

#include "graph/GraphTypes.h"

namespace zvp {

// Volume control of an audio renderer, in hundredths of a decibel: 0 is full level,
// -10000 is silence; values in between scale the amplitude by 10^(volume / 2000).
// Threads: any thread.
class IBasicAudio {
  public:
    virtual ~IBasicAudio() = default;
    // E_INVALIDARG outside -10000..0.
    virtual HRESULT put_Volume(long lVolume) = 0;
    virtual HRESULT get_Volume(long* plVolume) = 0;
};

}  // namespace zvp
