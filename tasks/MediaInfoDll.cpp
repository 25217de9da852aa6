#include "tasks/MediaInfoDll.h"

#include "core/NameBytes.h"

#include <clocale>
#include <cstring>
#include <langinfo.h>
#include <string>

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

namespace MediaInfoDll {
namespace {

// The C interface's values: stream kinds, and the kinds of info and of search.
constexpr int StreamGeneral = 0;
constexpr int StreamVideo = 1;
constexpr int InfoText = 1;
constexpr int InfoName = 0;

constexpr const char* LibraryName = "libmediainfo.so.0";

using NewFn = void* (*)();
using OpenFn = size_t (*)(void*, const wchar_t*);
using GetFn = const wchar_t* (*)(void*, int, size_t, const wchar_t*, int, int);
using CloseFn = void (*)(void*);
using DeleteFn = void (*)(void*);

struct Library {
    NewFn create = nullptr;
    OpenFn open = nullptr;
    GetFn get = nullptr;
    CloseFn close = nullptr;
    DeleteFn destroy = nullptr;
    QString error;
};

template <typename Fn>
bool Resolve(void* module, const char* name, Fn& target, QString& error)
{
    target = reinterpret_cast<Fn>(dlsym(module, name));
    if (!target)
        error = QString("The MediaInfo library %1 lacks the function %2.").arg(LibraryName, name);
    return target != nullptr;
}

// The library turns wide file names into the bytes the file system sees with
// the C locale's character set; under a plain "C" locale every non-ASCII
// name would fail to open. Names the program holds as text are UTF-8 there.
void EnsureUtf8FileNames()
{
    if (std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0)
        std::setlocale(LC_CTYPE, "C.UTF-8");
}

Library LoadModule()
{
    // Once, when the program loads the library at start-up, never while it probes.
    EnsureUtf8FileNames();
    Library library;
    void* module = dlopen(LibraryName, RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        library.error = QString("The MediaInfo library %1 cannot be loaded (%2). "
                                "Please install the package libmediainfo0v5.")
                            .arg(LibraryName, QString::fromLocal8Bit(dlerror()));
        return library;
    }
    // The module stays loaded for the rest of the run.
    Resolve(module, "MediaInfo_New", library.create, library.error)
        && Resolve(module, "MediaInfo_Open", library.open, library.error)
        && Resolve(module, "MediaInfo_Get", library.get, library.error)
        && Resolve(module, "MediaInfo_Close", library.close, library.error)
        && Resolve(module, "MediaInfo_Delete", library.destroy, library.error);
    return library;
}

const Library& TheLibrary()
{
    static const Library library = LoadModule();
    return library;
}

// The name the library opens the file by. It turns wide names into bytes as UTF-8, which
// cannot say a name that is not UTF-8: such a file is opened here by its bytes and handed
// over as this process's open file, which stays open until the handle is closed.
struct OpenedName {
    explicit OpenedName(const QString& path)
        : wide(path.toStdWString())
    {
        if (!HasStrayBytes(path))
            return;
        fd = ::open(NameBytes(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0)
            wide = L"/proc/self/fd/" + std::to_wstring(fd);
    }
    ~OpenedName()
    {
        if (fd >= 0)
            ::close(fd);
    }
    OpenedName(const OpenedName&) = delete;
    OpenedName& operator=(const OpenedName&) = delete;

    std::wstring wide;
    int fd = -1;
};

QString Get(const Library& library, void* handle, int stream, const wchar_t* parameter)
{
    const wchar_t* answer = library.get(handle, stream, 0, parameter, InfoText, InfoName);
    return answer ? QString::fromWCharArray(answer) : QString();
}

}

QString LoadError()
{
    return TheLibrary().error;
}

Answers Query(const QString& path)
{
    const Library& library = TheLibrary();
    if (!library.error.isEmpty())
        return {};
    void* handle = library.create();
    if (!handle)
        return {};
    const OpenedName name(path);
    // An unreadable file shows up as empty answers below.
    library.open(handle, name.wide.c_str());
    Answers answers;
    answers.playTime = Get(library, handle, StreamGeneral, L"PlayTime");
    // Newer library versions know the same value only as "Duration".
    if (answers.playTime.isEmpty())
        answers.playTime = Get(library, handle, StreamGeneral, L"Duration");
    answers.width = Get(library, handle, StreamVideo, L"Width");
    answers.height = Get(library, handle, StreamVideo, L"Height");
    answers.recorded = Get(library, handle, StreamGeneral, L"Recorded_Date");
    if (answers.recorded.isEmpty())
        answers.recorded = Get(library, handle, StreamGeneral, L"Encoded_Date");
    answers.soundTracks = Get(library, handle, StreamGeneral, L"AudioCount");
    answers.subtitleTracks = Get(library, handle, StreamGeneral, L"TextCount");
    answers.attachments = Get(library, handle, StreamGeneral, L"Attachments");
    answers.cover = Get(library, handle, StreamGeneral, L"Cover");
    library.close(handle);
    library.destroy(handle);
    return answers;
}

}
