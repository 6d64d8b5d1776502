#include "ops/CardEject.h"

#include <cfgmgr32.h>
#include <setupapi.h>
#include <winioctl.h>

#include <vector>

#include "ops/CardWrites.h"
#include "win/Handles.h"

namespace {

// The storage interface classes, spelled out so that no GUID library is needed.
constexpr GUID kDiskInterface = {
    0x53f56307, 0xb6bf, 0x11d0, {0x94, 0xf2, 0x00, 0xa0, 0xc9, 0x1e, 0xfb, 0x8b}};
constexpr GUID kCdRomInterface = {
    0x53f56308, 0xb6bf, 0x11d0, {0x94, 0xf2, 0x00, 0xa0, 0xc9, 0x1e, 0xfb, 0x8b}};
constexpr GUID kFloppyInterface = {
    0x53f56311, 0xb6bf, 0x11d0, {0x94, 0xf2, 0x00, 0xa0, 0xc9, 0x1e, 0xfb, 0x8b}};

// FILE_DEVICE_FLOPPY, which the user-mode headers here leave out.
constexpr DEVICE_TYPE kFloppyDevice = 0x00000007;

std::string VolumeDevicePath(const std::string& root) {
    return "\\\\.\\" + root.substr(0, 2);
}

bool DeviceNumberOf(const std::string& devicePath, STORAGE_DEVICE_NUMBER& number) {
    // No access rights are needed to ask for the number.
    win::FileHandle device(::CreateFileA(devicePath.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
    if (!device) return false;
    DWORD returned = 0;
    return ::DeviceIoControl(device.Get(), IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number,
                             sizeof number, &returned, nullptr) != FALSE;
}

// cfgmgr32 is asked at run time: an import the system lacks would keep the
// whole program from starting.
template <typename Function>
Function ConfigManagerFunction(const char* name) {
    HMODULE module = ::GetModuleHandleA("cfgmgr32.dll");
    if (!module) module = ::LoadLibraryA("cfgmgr32.dll");
    return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)))
                  : nullptr;
}

// The device instance of the disk (or floppy, or CD) interface with this
// device number, found through SetupAPI.
DWORD DiskDeviceInstance(const GUID& interfaceClass, const STORAGE_DEVICE_NUMBER& wanted) {
    HDEVINFO set =
        ::SetupDiGetClassDevsA(&interfaceClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return 0;
    DWORD found = 0;
    SP_DEVICE_INTERFACE_DATA interfaceData = {};
    interfaceData.cbSize = sizeof interfaceData;
    for (DWORD index = 0;
         !found && ::SetupDiEnumDeviceInterfaces(set, nullptr, &interfaceClass, index, &interfaceData);
         ++index) {
        DWORD size = 0;
        ::SetupDiGetDeviceInterfaceDetailA(set, &interfaceData, nullptr, 0, &size, nullptr);
        if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) continue;
        std::vector<char> buffer(size);
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
        SP_DEVINFO_DATA deviceData = {};
        deviceData.cbSize = sizeof deviceData;
        if (!::SetupDiGetDeviceInterfaceDetailA(set, &interfaceData, detail, size, nullptr, &deviceData))
            continue;
        STORAGE_DEVICE_NUMBER number = {};
        if (DeviceNumberOf(detail->DevicePath, number) && number.DeviceType == wanted.DeviceType &&
            number.DeviceNumber == wanted.DeviceNumber)
            found = deviceData.DevInst;
    }
    ::SetupDiDestroyDeviceInfoList(set);
    return found;
}

DWORD FindCardDevice(const std::string& root) {
    STORAGE_DEVICE_NUMBER number = {};
    if (!DeviceNumberOf(VolumeDevicePath(root), number)) return 0;
    const UINT type = ::GetDriveTypeA(root.c_str());
    const GUID& interfaceClass = type == DRIVE_CDROM                  ? kCdRomInterface
                                 : number.DeviceType == kFloppyDevice ? kFloppyInterface
                                                                      : kDiskInterface;
    const DWORD disk = DiskDeviceInstance(interfaceClass, number);
    if (!disk) return 0;
    // The system's safe removal stops the device the disk sits on (the card
    // reader or stick), which takes the disk and its volumes with it.
    using GetParent = CONFIGRET(WINAPI*)(PDEVINST, DEVINST, ULONG);
    const auto getParent = ConfigManagerFunction<GetParent>("CM_Get_Parent");
    DEVINST parent = 0;
    if (getParent && getParent(&parent, disk, 0) == CR_SUCCESS && parent) return parent;
    return disk;
}

EjectStatus RequestDeviceEject(DWORD device, std::string& vetoName) {
    using RequestEject = CONFIGRET(WINAPI*)(DEVINST, PPNP_VETO_TYPE, LPSTR, ULONG, ULONG);
    const auto requestEject = ConfigManagerFunction<RequestEject>("CM_Request_Device_EjectA");
    if (!requestEject) return EjectStatus::Unavailable;
    PNP_VETO_TYPE vetoType = PNP_VetoTypeUnknown;
    char name[MAX_PATH] = {};
    const CONFIGRET result = requestEject(device, &vetoType, name, MAX_PATH, 0);
    if (vetoType != PNP_VetoTypeUnknown) {
        vetoName = name;
        return EjectStatus::Vetoed;
    }
    return result == CR_SUCCESS ? EjectStatus::Ejected : EjectStatus::Failed;
}

bool VolumeControl(HANDLE volume, DWORD code, void* in = nullptr, DWORD inSize = 0) {
    DWORD returned = 0;
    return ::DeviceIoControl(volume, code, in, inSize, nullptr, 0, &returned, nullptr) != FALSE;
}

bool EjectVolume(const std::string& root) {
    win::FileHandle volume(::CreateFileA(VolumeDevicePath(root).c_str(), GENERIC_READ | GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                         nullptr));
    if (!volume) return false;
    // A file another program has open keeps the lock away for a moment at most.
    bool locked = false;
    for (int attempt = 0; attempt < 5 && !locked; ++attempt) {
        locked = VolumeControl(volume.Get(), FSCTL_LOCK_VOLUME);
        if (!locked) ::Sleep(100);
    }
    if (!locked || !VolumeControl(volume.Get(), FSCTL_DISMOUNT_VOLUME)) return false;
    PREVENT_MEDIA_REMOVAL allow = {};
    allow.PreventMediaRemoval = FALSE;
    VolumeControl(volume.Get(), IOCTL_STORAGE_MEDIA_REMOVAL, &allow, sizeof allow);
    // Closing the handle releases the lock, whatever happened.
    return VolumeControl(volume.Get(), IOCTL_STORAGE_EJECT_MEDIA);
}

}  // namespace

CardEjectCalls SystemCardEjectCalls() {
    CardEjectCalls calls;
    calls.flushFile = FlushWrittenFile;
    calls.findDevice = FindCardDevice;
    calls.requestEject = RequestDeviceEject;
    calls.ejectVolume = EjectVolume;
    return calls;
}

EjectResult RemoveCardSafely(const std::string& root, const CardEjectCalls& calls) {
    EjectResult result;
    for (const std::string& file : CardFilesWritten(root)) {
        if (!calls.flushFile(file)) {
            result.status = EjectStatus::FlushFailed;
            return result;
        }
    }
    const DWORD device = calls.findDevice(root);
    result.status = device ? calls.requestEject(device, result.vetoName) : EjectStatus::Unavailable;
    if (result.status == EjectStatus::Unavailable)
        result.status = calls.ejectVolume(root) ? EjectStatus::Ejected : EjectStatus::Failed;
    if (result.status == EjectStatus::Ejected) ForgetCardFiles(root);
    return result;
}
