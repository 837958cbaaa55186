#include "platform/CPrimarySoundBuffer.h"

#include "platform/CSoundDevice.h"

HRESULT CPrimarySoundBuffer::SetFormat(const WAVEFORMATEX& format) {
    return m_device.SetOutputFormat(format);
}
