// File access through the system's own calls, each handle held by a small owner.
#include "framework/File.h"

#include <windows.h>

#include <vector>

namespace {

class CFileHandle {
public:
    explicit CFileHandle(HANDLE handle) : m_handle(handle) {}
    CFileHandle(const CFileHandle&) = delete;
    CFileHandle& operator=(const CFileHandle&) = delete;
    ~CFileHandle() { Close(); }

    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_handle; }
    bool Close()
    {
        if (!IsOpen())
            return true;
        const bool closed = ::CloseHandle(m_handle) != FALSE;
        m_handle = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE m_handle;
};

bool WriteAll(HANDLE file, const std::string& bytes)
{
    DWORD written = 0;
    return bytes.empty()
        || (::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)
            && written == bytes.size());
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& bytes)
{
    CFileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen())
        return false;
    bytes.clear();
    std::vector<char> buffer(4096);
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr))
            return false;
        if (got == 0)
            return true;
        bytes.append(buffer.data(), got);
    }
}

bool AppendToFile(const std::string& path, const std::string& bytes)
{
    // Shared for writing too: another program that holds the file open to append (another
    // Dusklamp, say) must not cost us our record. Appends go to the end whoever wrote last.
    CFileHandle file(::CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.IsOpen() && WriteAll(file.Get(), bytes) && file.Close();
}

namespace {

// The file at path becomes the one at olderPath, after what carryOver keeps of the older one.
bool MoveAside(const std::string& path, const std::string& olderPath, CarryOver carryOver)
{
    std::string older, current;
    const std::string kept = carryOver && ReadWholeFile(olderPath, older) ? carryOver(older) : std::string();
    const bool merge = !kept.empty() && ReadWholeFile(path, current);
    // A file that cannot be moved (a viewer holds it without sharing its deletion) stays as it
    // was, and so does the older one. A merge that fails loses what it would have kept, and
    // nothing else.
    if (!::MoveFileExA(path.c_str(), olderPath.c_str(), MOVEFILE_REPLACE_EXISTING))
        return false;
    if (merge)
        ReplaceFileContents(olderPath, kept + current);
    return true;
}

}  // namespace

bool AppendToFileWithin(const std::string& path, const std::string& bytes, unsigned long long limit,
                        const std::string& olderPath, CarryOver carryOver)
{
    for (bool movedAside = false;; movedAside = true) {
        CFileHandle file(::CreateFileA(path.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
        LARGE_INTEGER size = {};
        if (!file.IsOpen() || !::GetFileSizeEx(file.Get(), &size))
            return false;
        const unsigned long long grown = static_cast<unsigned long long>(size.QuadPart) + bytes.size();
        if (size.QuadPart == 0 || grown <= limit)
            return WriteAll(file.Get(), bytes) && file.Close();
        // A file that cannot be moved aside (a viewer holds it without sharing its deletion) gets
        // nothing more, rather than growing without end.
        file.Close();
        if (movedAside || !MoveAside(path, olderPath, carryOver))
            return false;
    }
}

bool ReplaceFileContents(const std::string& path, const std::string& bytes)
{
    // In the same folder, so that the move is a rename on one volume and never a copy.
    const std::string fresh = path + ".new";
    {
        CFileHandle file(::CreateFileA(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.IsOpen())
            return false;
        if (!WriteAll(file.Get(), bytes) || !::FlushFileBuffers(file.Get()) || !file.Close()) {
            file.Close();
            ::DeleteFileA(fresh.c_str());
            return false;
        }
    }
    // A read-only old file refuses to be replaced, and so keeps the user's list as it was.
    if (!::MoveFileExA(fresh.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ::DeleteFileA(fresh.c_str());
        return false;
    }
    return true;
}

std::string ModuleFileName()
{
    char path[MAX_PATH + 1] = "";
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, length < MAX_PATH ? length : MAX_PATH);
}
