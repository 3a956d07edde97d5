#include "monitor/capturedevice.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include "monitor/waveincapturedevice.h"
#else
#include "monitor/pulsecapturedevice.h"
#endif

CaptureDevice::~CaptureDevice() = default;

std::unique_ptr<CaptureDevice> CaptureDevice::createDefault()
{
#ifdef Q_OS_WIN
    return std::make_unique<WaveInCaptureDevice>();
#else
    return std::make_unique<PulseCaptureDevice>();
#endif
}
