#include "platform/bounded_connect.h"
#include "platform/network_drives.h"

#include <windows.h>
#include <winnetwk.h>

#include <cctype>
#include <memory>
#include <utility>

namespace Platform {

namespace {

// Texts cross this layer as UTF-8; the A functions speak the system code page.
std::string recode(const std::string& text, UINT from, UINT to) {
    if (text.empty())
        return {};
    const int wideLength = MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (wideLength <= 0)
        return text;
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), wide.data(), wideLength);
    const int length = WideCharToMultiByte(to, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return text;
    std::string out(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(to, 0, wide.data(), wideLength, out.data(), length, nullptr, nullptr);
    return out;
}

class WindowsNetworkDrives final : public NetworkDrives {
public:
    int DriveTypeOf(char letter) override {
        char root[] = "a:\\";
        root[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
        return static_cast<int>(GetDriveTypeA(root));
    }

    unsigned long MountShare(const ShareConnection& share, std::chrono::milliseconds timeout) override {
        const DWORD flags = share.remember ? CONNECT_UPDATE_PROFILE : 0;
        auto local = std::make_shared<std::string>(recode(share.localName, CP_UTF8, CP_ACP));
        auto connect = [flags, local, remote = recode(share.remoteName, CP_UTF8, CP_ACP),
                        password = recode(share.password, CP_UTF8, CP_ACP)]() mutable -> unsigned long {
            NETRESOURCEA resource;
            ZeroMemory(&resource, sizeof resource);
            resource.dwScope = RESOURCE_GLOBALNET;
            resource.dwType = RESOURCETYPE_DISK;
            resource.dwDisplayType = RESOURCEDISPLAYTYPE_GENERIC;
            resource.dwUsage = RESOURCEUSAGE_CONNECTABLE;
            resource.lpLocalName = local->data();
            resource.lpRemoteName = remote.data();
            // "" is an empty password; NULL would ask for the user's default one.
            // No user name: the logged-on user's.
            return WNetAddConnection2A(&resource, password.c_str(), nullptr, flags);
        };
        // Forced: nothing has been opened on a drive the user was told is not there.
        auto undo = [flags, local] { WNetCancelConnection2A(local->c_str(), flags, TRUE); };
        const DWORD result = ConnectWithin(std::move(connect), std::move(undo), timeout, ERROR_TIMEOUT);
        // The call left its error on its own thread; the caller asks on this one.
        SetLastError(result);
        return result;
    }

    std::string SystemErrorText() override {
        const DWORD code = GetLastError();
        char* buffer = nullptr;
        const DWORD length = FormatMessageA(
            FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
            MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
        std::string text;
        if (length != 0 && buffer != nullptr)
            text.assign(buffer, length);
        if (buffer != nullptr)
            LocalFree(buffer);
        while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
            text.pop_back();
        if (text.empty())
            return "Error " + std::to_string(code);
        return recode(text, CP_ACP, CP_UTF8);
    }
};

} // namespace

std::unique_ptr<NetworkDrives> systemNetworkDrives() {
    return std::make_unique<WindowsNetworkDrives>();
}

} // namespace Platform
