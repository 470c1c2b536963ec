#include "serial/WinSerialDevice.h"

#include <cctype>
#include <string>

#include "platform/MemoryLine.h"
#include "serial/MemoryCommDevice.h"
#include "serial/SerialHandle.h"
#include "serial/WinCommApi.h"

CWinSerialDevice::CWinSerialDevice(void* handle, IWinCommApi& api) : m_handle(handle), m_api(&api) {}

CWinSerialDevice::CWinSerialDevice(void* handle, std::unique_ptr<IWinCommApi> ownApi)
    : m_handle(handle), m_ownApi(std::move(ownApi)), m_api(m_ownApi.get())
{
}

CWinSerialDevice::~CWinSerialDevice()
{
    // What this thread still has outstanding ends before the handle goes.
    (void)m_api->CancelIo(m_handle);
    (void)m_api->CloseHandle(m_handle);
}

bool IsDeviceGone(unsigned long error)
{
    switch (error) {
    case ERROR_INVALID_HANDLE:
    case ERROR_BROKEN_PIPE:
    case ERROR_ACCESS_DENIED:
    case ERROR_GEN_FAILURE:
    case ERROR_BAD_COMMAND:
    case ERROR_NOT_READY:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_DEVICE_NOT_CONNECTED:
        return true;
    default:
        return false;
    }
}

std::string SerialDevicePath(const std::string& portName)
{
    if (portName.rfind("\\\\.\\", 0) == 0)
        return portName;
    if (CMemoryLine::IsLineName(portName))
        return portName;
    // "comN", any case, N a decimal number from 1 without leading zero. The device namespace name
    // reaches every port; the plain "COM10" and above would be taken for files.
    if (portName.size() < 4 || portName.size() > 6)
        return {};
    for (size_t i = 0; i < 3; ++i) {
        if (std::tolower(static_cast<unsigned char>(portName[i])) != "com"[i])
            return {};
    }
    if (portName[3] == '0')
        return {};
    for (size_t i = 3; i < portName.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(portName[i])))
            return {};
    }
    return "\\\\.\\COM" + portName.substr(3);
}

SerialHandle OpenSerialDevice(const std::string& portName, int* error)
{
    int ignored = 0;
    if (error == nullptr)
        error = &ignored;
    const std::string path = SerialDevicePath(portName);
    if (path.empty()) {
        *error = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    if (CMemoryLine::IsLineName(path)) {
        std::shared_ptr<CMemoryLine> line = CMemoryLine::Find(path);
        if (!line) {
            *error = ERROR_FILE_NOT_FOUND;
            return nullptr;
        }
        auto device = std::make_unique<CMemoryCommDevice>(std::move(line));
        if (!device->Attached()) {
            *error = ERROR_ACCESS_DENIED; // what Windows answers for a COM port another program holds
            return nullptr;
        }
        // The handle of a memory device is a token: any value but null and INVALID_HANDLE_VALUE.
        return std::make_unique<CWinSerialDevice>(device.get(), std::move(device));
    }
    // No sharing: a port another program holds is refused (ERROR_ACCESS_DENIED).
    HANDLE handle = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        *error = static_cast<int>(::GetLastError());
        return nullptr;
    }
    return std::make_unique<CWinSerialDevice>(handle, Kernel32CommApi());
}
