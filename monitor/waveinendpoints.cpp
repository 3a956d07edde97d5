#include "monitor/waveinendpoints.h"

// <windows.h> first: the other Windows headers rely on its types.
#include <windows.h>

#include <mmddk.h>
#include <mmdeviceapi.h>
#include <mmsystem.h>
#include <propsys.h>

#include <string>

namespace {
// PKEY_Device_FriendlyName, spelled out: MinGW's import libraries do not all define it.
const PROPERTYKEY FriendlyNameKey = {
    {0xa45c254e, 0xdf1c, 0x4efd, {0x80, 0x20, 0x67, 0xd1, 0x46, 0xa8, 0x50, 0xe0}}, 14};

std::wstring endpointIdOf(UINT device)
{
    ULONG bytes = 0;
    const auto handle = reinterpret_cast<HWAVEIN>(static_cast<UINT_PTR>(device));
    if (waveInMessage(handle, DRV_QUERYFUNCTIONINSTANCEIDSIZE, reinterpret_cast<DWORD_PTR>(&bytes),
                      0) != MMSYSERR_NOERROR ||
        bytes < sizeof(wchar_t))
        return {};
    std::wstring id(bytes / sizeof(wchar_t), L'\0');
    if (waveInMessage(handle, DRV_QUERYFUNCTIONINSTANCEID, reinterpret_cast<DWORD_PTR>(id.data()),
                      bytes) != MMSYSERR_NOERROR)
        return {};
    id.resize(wcsnlen(id.c_str(), id.size()));
    return id;
}

QString friendlyNameOf(IMMDeviceEnumerator *endpoints, const std::wstring &id)
{
    QString name;
    IMMDevice *endpoint = nullptr;
    if (id.empty() || FAILED(endpoints->GetDevice(id.c_str(), &endpoint)))
        return name;
    IPropertyStore *properties = nullptr;
    if (SUCCEEDED(endpoint->OpenPropertyStore(STGM_READ, &properties))) {
        PROPVARIANT value;
        PropVariantInit(&value);
        if (SUCCEEDED(properties->GetValue(FriendlyNameKey, &value)) && value.vt == VT_LPWSTR &&
            value.pwszVal)
            name = QString::fromWCharArray(value.pwszVal);
        PropVariantClear(&value);
        properties->Release();
    }
    endpoint->Release();
    return name;
}
} // namespace

namespace WaveInEndpoints {

QList<InputNames::Device> list()
{
    // COM on this thread for the lookups; a thread already in another apartment (Qt's GUI
    // thread is in one) uses that one.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IMMDeviceEnumerator *endpoints = nullptr;
    if (FAILED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL,
                                __uuidof(IMMDeviceEnumerator),
                                reinterpret_cast<void **>(&endpoints))))
        endpoints = nullptr;

    QList<InputNames::Device> devices;
    const UINT count = waveInGetNumDevs();
    for (UINT i = 0; i < count; ++i) {
        WAVEINCAPSW caps{};
        if (waveInGetDevCapsW(i, &caps, sizeof(caps)) != MMSYSERR_NOERROR) {
            devices.append(InputNames::Device{}); // nameless: never chosen, never listed
            continue;
        }
        InputNames::Device device{QString::fromWCharArray(caps.szPname), {}};
        if (endpoints)
            device.fullName = friendlyNameOf(endpoints, endpointIdOf(i));
        devices.append(device);
    }

    if (endpoints)
        endpoints->Release();
    if (SUCCEEDED(com))
        CoUninitialize();
    return devices;
}

} // namespace WaveInEndpoints
