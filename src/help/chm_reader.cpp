// SPDX-License-Identifier: MIT
#include "help/chm_reader.h"

#include <chm_lib.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace arbolith::help {

namespace {

// How long one answer may take: reading a help page takes milliseconds, so
// a child silent this long is stuck in a damaged file.
constexpr int kAnswerTimeoutMs = 10000;
// The longest path asked for; chmlib's own limit is 512.
constexpr std::size_t kMaxAskedPath = 4096;

// Message layout, both ways: one byte (the request, or the answer's status),
// an 8-byte little-endian length, then that many bytes.
enum Status : char { kOk = 0, kMissing = 1, kTooLarge = 2, kShort = 3 };

std::string Length(std::uint64_t value)
{
    std::string bytes(8, '\0');
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<char>(value >> (8 * i));
    return bytes;
}

std::uint64_t LengthAt(const char* bytes)
{
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[i]);
    return value;
}

bool SendAll(int socket, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t sent = ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

bool Send(int socket, char head, std::string_view body)
{
    return SendAll(socket, std::string(1, head) + Length(body.size())) && SendAll(socket, body);
}

// Fills `buffer`; false at end of input, on an error, or when no byte came
// for `timeoutMs` (negative: wait for ever).
bool ReceiveAll(int socket, char* buffer, std::size_t size, int timeoutMs)
{
    while (size > 0) {
        if (timeoutMs >= 0) {
            pollfd ready{socket, POLLIN, 0};
            const int polled = ::poll(&ready, 1, timeoutMs);
            if (polled < 0 && errno == EINTR) continue;
            if (polled <= 0) return false;
        }
        const ssize_t got = ::recv(socket, buffer, size, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        buffer += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

// --- The child: opens the file, then answers until the socket closes.

std::optional<chmUnitInfo> FindUnit(chmFile* file, const std::string& path)
{
    chmUnitInfo unit{};
    if (path.empty() || path.size() > CHM_MAX_PATHLEN) return std::nullopt;
    if (chm_resolve_object(file, path.c_str(), &unit) != CHM_RESOLVE_SUCCESS) return std::nullopt;
    unit.path[CHM_MAX_PATHLEN] = '\0';
    if (std::string_view(unit.path).ends_with('/')) return std::nullopt;
    return unit;
}

void Answer(chmFile* file, int socket, char request, const std::string& argument)
{
    if (request == 'R') {
        const auto unit = FindUnit(file, argument);
        Send(socket, unit ? kOk : kMissing, unit ? std::string_view(unit->path) : std::string_view());
    } else if (request == 'G' && argument.size() >= 8) {
        const std::uint64_t limit = LengthAt(argument.data());
        auto unit = FindUnit(file, argument.substr(8));
        if (!unit) {
            Send(socket, kMissing, {});
        } else if (unit->length > limit) {
            Send(socket, kTooLarge, Length(unit->length));
        } else {
            std::string bytes(static_cast<std::size_t>(unit->length), '\0');
            const LONGINT64 got =
                bytes.empty() ? 0
                              : chm_retrieve_object(file, &*unit, reinterpret_cast<unsigned char*>(bytes.data()), 0,
                                                    static_cast<LONGINT64>(unit->length));
            if (got == static_cast<LONGINT64>(unit->length))
                Send(socket, kOk, bytes);
            else
                Send(socket, kShort, Length(got < 0 ? 0 : static_cast<std::uint64_t>(got)) + Length(unit->length));
        }
    } else if (request == 'L') {
        std::string list;
        chm_enumerate(
            file, CHM_ENUMERATE_NORMAL | CHM_ENUMERATE_FILES,
            [](chmFile*, chmUnitInfo* unit, void* out) {
                unit->path[CHM_MAX_PATHLEN] = '\0';
                *static_cast<std::string*>(out) += unit->path;
                *static_cast<std::string*>(out) += '\0';
                return CHM_ENUMERATOR_CONTINUE;
            },
            &list);
        Send(socket, kOk, list);
    } else {
        Send(socket, kMissing, {});
    }
}

// A fault of chmlib in the child ends it quietly: no core file, no report
// of a sanitizer; the parent sees the socket close and reports the file.
[[noreturn]] void EndOnFault(int)
{
    _exit(70);
}

void QuietFaults()
{
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    struct sigaction action {};
    action.sa_handler = EndOnFault;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) ::sigaction(signal, &action, nullptr);
}

[[noreturn]] void Serve(int socket, const char* file)
{
    QuietFaults();
    // The parent's other descriptors stay with the parent: a pipe held open
    // here would keep its reader from ever seeing its end.
    const auto kept = static_cast<unsigned>(socket);
    if (kept > 3) ::close_range(3, kept - 1, 0);
    ::close_range(std::max(3u, kept + 1), ~0u, 0);
    chmFile* handle = chm_open(file);
    Send(socket, handle ? kOk : kMissing, {});
    while (handle) {
        char head[9];
        if (!ReceiveAll(socket, head, sizeof head, -1)) break;
        const std::uint64_t size = LengthAt(head + 1);
        if (size > kMaxAskedPath + 8) break;
        std::string argument(static_cast<std::size_t>(size), '\0');
        if (!ReceiveAll(socket, argument.data(), argument.size(), -1)) break;
        Answer(handle, socket, head[0], argument);
    }
    // Nothing of the parent's (its buffers, its exit handlers) may run here.
    _exit(0);
}

}  // namespace

ChmReader::ChmReader(std::string name, pid_t child, int socket)
    : m_name(std::move(name)), m_child(child), m_socket(socket)
{
}

ChmReader::ChmReader(ChmReader&& other) noexcept
    : m_name(std::move(other.m_name)),
      m_child(std::exchange(other.m_child, -1)),
      m_socket(std::exchange(other.m_socket, -1))
{
}

ChmReader& ChmReader::operator=(ChmReader&& other) noexcept
{
    if (this != &other) {
        Stop();
        m_name = std::move(other.m_name);
        m_child = std::exchange(other.m_child, -1);
        m_socket = std::exchange(other.m_socket, -1);
    }
    return *this;
}

ChmReader::~ChmReader()
{
    Stop();
}

void ChmReader::Stop()
{
    if (m_socket >= 0) ::close(m_socket);
    m_socket = -1;
    if (m_child > 0) {
        // The child waits for the next question and holds nothing to save.
        ::kill(m_child, SIGKILL);
        while (::waitpid(m_child, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    m_child = -1;
}

Error ChmReader::Failed(const std::string& why)
{
    Stop();
    return Error::FileSystem(0, m_name + ": " + why);
}

Result<ChmReader> ChmReader::Start(const std::filesystem::path& file)
{
    const std::string name = file.string();
    int sockets[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0) {
        const int code = errno;
        return Error::FileSystem(code, name + ": cannot start reading it: " + std::strerror(code));
    }
    const pid_t child = ::fork();
    if (child < 0) {
        const int code = errno;
        ::close(sockets[0]);
        ::close(sockets[1]);
        return Error::FileSystem(code, name + ": cannot start reading it: " + std::strerror(code));
    }
    if (child == 0) {
        ::close(sockets[0]);
        Serve(sockets[1], name.c_str());
    }
    ::close(sockets[1]);
    ChmReader reader(name, child, sockets[0]);
    char head[9];
    if (!ReceiveAll(reader.m_socket, head, sizeof head, kAnswerTimeoutMs))
        return reader.Failed("not an HTML Help file, or a damaged one (reading its header failed)");
    if (head[0] != kOk) return reader.Failed("not an HTML Help file, or a damaged one");
    return reader;
}

Result<std::string> ChmReader::Ask(char request, const std::string& argument, char& status)
{
    if (m_socket < 0) return Error::FileSystem(0, m_name + ": the file is damaged; reading it failed before");
    if (!Send(m_socket, request, argument)) return Failed("the file is damaged; reading it failed");
    char head[9];
    if (!ReceiveAll(m_socket, head, sizeof head, kAnswerTimeoutMs))
        return Failed("the file is damaged; reading it failed");
    status = head[0];
    const std::uint64_t size = LengthAt(head + 1);
    // The child never sends more than it was allowed to read.
    if (size > (std::uint64_t{64} << 20)) return Failed("the file is damaged; reading it failed");
    std::string body(static_cast<std::size_t>(size), '\0');
    if (!ReceiveAll(m_socket, body.data(), body.size(), kAnswerTimeoutMs))
        return Failed("the file is damaged; reading it failed");
    return body;
}

Result<std::optional<std::string>> ChmReader::Resolve(const std::string& path)
{
    if (path.empty() || path.size() > kMaxAskedPath) return std::optional<std::string>();
    char status = 0;
    auto answer = Ask('R', path, status);
    if (!answer) return answer.error();
    if (status != kOk) return std::optional<std::string>();
    return std::optional<std::string>(std::move(*answer));
}

Result<std::string> ChmReader::Read(const std::string& storedPath, std::uint64_t limit)
{
    if (storedPath.empty() || storedPath.size() > kMaxAskedPath)
        return Error::Model(m_name + ": no entry " + storedPath + " in the file");
    char status = 0;
    auto answer = Ask('G', Length(limit) + storedPath, status);
    if (!answer) return answer.error();
    switch (status) {
        case kOk:
            return std::move(*answer);
        case kTooLarge:
            return Error::FileSystem(0, m_name + ": " + storedPath + " is too large (" +
                                            std::to_string(answer->size() >= 8 ? LengthAt(answer->data()) : 0) +
                                            " bytes; at most " + std::to_string(limit) + " are read)");
        case kShort:
            return Error::FileSystem(0, m_name + ": cannot read " + storedPath + ": the file is damaged");
        default:
            return Error::Model(m_name + ": no entry " + storedPath + " in the file");
    }
}

Result<std::vector<std::string>> ChmReader::List()
{
    char status = 0;
    auto answer = Ask('L', {}, status);
    if (!answer) return answer.error();
    std::vector<std::string> paths;
    for (std::size_t at = 0; at < answer->size();) {
        const std::size_t end = std::min(answer->find('\0', at), answer->size());
        if (end > at) paths.emplace_back(answer->substr(at, end - at));
        at = end + 1;
    }
    return paths;
}

}  // namespace arbolith::help
