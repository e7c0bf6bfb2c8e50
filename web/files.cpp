// The page's files: the game reads one, its car image, which is inside the page; any other
// path is missing and nothing is written. The page answers the C library's file calls
// itself, so that it needs no file system of Emscripten's (which was a third of its
// JavaScript). Standard output and error stay Emscripten's: the browser's console.

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <string.h>
#include <sys/stat.h>
#include <wasi/api.h>

#include "shared/Globals.h"

extern "C" const unsigned char racer_car_image[];   // web/CMakeLists.txt writes them
extern "C" const unsigned long racer_car_image_size;

namespace
{

constexpr int kCarImageFd = 3; ///< its one descriptor, after the standard streams
long s_at = -1;                ///< the car image's read position, in bytes; -1: closed (one open at a time)

bool IsCarImage(const char* path)
{
    return strcmp(path + (path[0] == '/'), kCarImagePath) == 0;
}

/// Whether `fd` is the car image, open.
bool IsOpen(long fd)
{
    return fd == kCarImageFd && s_at >= 0;
}

long Stat(long path, long buffer)
{
    if (!IsCarImage(reinterpret_cast<const char*>(path)))
        return -ENOENT;
    struct stat* info = reinterpret_cast<struct stat*>(buffer);
    memset(info, 0, sizeof *info);
    info->st_mode = S_IFREG | 0444;
    info->st_nlink = 1;
    info->st_size = static_cast<off_t>(racer_car_image_size);
    return 0;
}

} // namespace

extern "C" {

long __syscall_open(long path, long flags, ...)
{
    if (!IsCarImage(reinterpret_cast<const char*>(path)))
        return -ENOENT;
    if ((flags & O_ACCMODE) != O_RDONLY)
        return -EROFS;
    if (s_at >= 0)
        return -EMFILE;
    s_at = 0;
    return kCarImageFd;
}

long __syscall_stat64(long path, long buffer) { return Stat(path, buffer); }
long __syscall_lstat64(long path, long buffer) { return Stat(path, buffer); }
long __syscall_fcntl64(long fd, long, ...) { return IsOpen(fd) ? 0 : -EBADF; }
long __syscall_ioctl(long fd, long, ...) { return fd <= 2 ? 0 : -ENOTTY; } // the console, as a terminal
long __syscall_getdents64(long, long, long) { return -ENOTDIR; }
long __syscall_dup(long) { return -EMFILE; }
long __syscall_unlink(long) { return -EROFS; }

__wasi_errno_t __wasi_fd_read(__wasi_fd_t fd, const __wasi_iovec_t* iovs, size_t count, __wasi_size_t* read)
{
    if (!IsOpen(fd))
        return __WASI_ERRNO_BADF;
    *read = 0;
    for (size_t i = 0; i < count; ++i)
    {
        const long left = s_at < static_cast<long>(racer_car_image_size) ? static_cast<long>(racer_car_image_size) - s_at : 0;
        const long n = left < static_cast<long>(iovs[i].buf_len) ? left : static_cast<long>(iovs[i].buf_len);
        memcpy(iovs[i].buf, racer_car_image + s_at, static_cast<size_t>(n));
        s_at += n;
        *read += static_cast<__wasi_size_t>(n);
    }
    return __WASI_ERRNO_SUCCESS;
}

__wasi_errno_t __wasi_fd_seek(__wasi_fd_t fd, __wasi_filedelta_t offset, __wasi_whence_t whence,
                              __wasi_filesize_t* to)
{
    if (!IsOpen(fd))
        return __WASI_ERRNO_BADF;
    const long long from = whence == __WASI_WHENCE_SET ? 0 : whence == __WASI_WHENCE_CUR ? s_at : racer_car_image_size;
    if (offset < -from || offset > LONG_MAX - from) // before the start, or past what a position holds
        return __WASI_ERRNO_INVAL;
    *to = static_cast<__wasi_filesize_t>(s_at = static_cast<long>(from + offset));
    return __WASI_ERRNO_SUCCESS;
}

__wasi_errno_t __wasi_fd_close(__wasi_fd_t fd)
{
    if (!IsOpen(fd))
        return __WASI_ERRNO_BADF;
    s_at = -1;
    return __WASI_ERRNO_SUCCESS;
}
}
