#include "hitmapfiles.h"

#include "atomicfile.h"
#include "exceptions.h"
#include "executable.h"
#include "messages.h"
#include "spectrumfile.h"
#include "translatable.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace
{

std::string pictureName(const std::string &file)
{
    std::string base = FileBaseName(file);
    const auto dot = base.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
        base.resize(dot);
    return base + ".png";
}

// Runs the painter with these arguments; its messages on standard error come back in messages.
// The exit status, or -1 when it could not be started.
int runPainter(const std::vector<std::string> &arguments, std::string &messages)
{
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDERR_FILENO);
    std::vector<char *> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    const int started = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    if (started != 0) {
        ::close(pipeEnds[0]);
        messages = std::strerror(started);
        return -1;
    }
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(pipeEnds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        if (messages.size() < 65536)
            messages.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipeEnds[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    while (!messages.empty() && messages.back() == '\n')
        messages.pop_back();
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

HitMapFiles::HitMapFiles(std::string folder, std::vector<std::string> targets, bool scored)
    : m_folder(std::move(folder))
    , m_targets(std::move(targets))
    , m_scored(scored)
{
}

std::string HitMapFiles::Painter()
{
    const std::string folder = ExecutableDirectory();
    return (folder.empty() ? std::string(".") : folder) + "/peakhound-hitmap";
}

void HitMapFiles::add(
    const std::string &file, const SpectrumPlace &place, const FileJudgement &judgement)
{
    if (m_folder.empty())
        return;
    if (file != m_file || place.Number == 1) {
        m_file = file;
        m_map.Start(m_targets.size());
    }
    m_map.Add(place, judgement);
}

bool HitMapFiles::finish(const std::string &file, std::string &failure)
{
    if (m_folder.empty() || file != m_file)
        return true;
    m_file.clear();
    if (m_map.Count() < 2)
        return true;
    const std::string fault = m_map.PositionFault();
    if (!fault.empty()) {
        failure =
            file + ": " + QT_TRANSLATE_NOOP("Messages", "Positionen beschädigt") + ": " + fault;
        return false;
    }
    if (!m_map.Positioned())
        return true;
    const std::string picture = m_folder + "/" + pictureName(file);
    // The cells, handed over through a hidden file beside the picture.
    const std::string cells = m_folder + "/." + pictureName(file) + ".cells";
    const std::optional<EInOutError> unwritten =
        TryWriteFileAtomically(cells, m_map.Table(m_targets, '.'));
    m_map.Start(m_targets.size()); // the cells' memory for the next map
    if (unwritten) {
        failure = picture + ": " + unwritten->what();
        return false;
    }
    std::vector<std::string> arguments { Painter(), "--title", FileBaseName(file) };
    if (m_scored)
        arguments.push_back("--scored");
    arguments.push_back(cells);
    arguments.push_back(picture);
    std::string messages;
    const int status = runPainter(arguments, messages);
    ::unlink(cells.c_str());
    if (status == 0)
        return true;
    if (status < 0)
        failure = picture + ": "
            + QT_TRANSLATE_NOOP("Messages", "peakhound-hitmap nicht ausführbar")
            + (messages.empty() ? std::string() : " (" + messages + ")");
    else
        failure = messages.empty()
            ? picture + ": " + QT_TRANSLATE_NOOP("Messages", "nicht geschrieben")
            : messages;
    return false;
}
