/* zrt32: the library an APL interpreter loads for array files, locking between processes,
 * fast array transfer, packed files, dates, text-matrix and file-system utilities.
 *
 * Every export is declared here with C linkage. Exports that take an APL array receive the
 * interpreter's array block (layout below) and return a new block that the caller owns.
 */
#ifndef ZRT32_H
#define ZRT32_H

#include <stdint.h>

#if defined(_WIN32)
#  if defined(ZRT_BUILDING_LIBRARY)
#    define ZRT_PUBLIC __declspec(dllexport)
#  else
#    define ZRT_PUBLIC __declspec(dllimport)
#  endif
#  if defined(_M_IX86) || defined(__i386__)
#    define ZRT_API __stdcall
#  else
#    define ZRT_API
#  endif
#  define ZRT_CDECL __cdecl
#else
#  define ZRT_PUBLIC __attribute__((visibility("default")))
#  define ZRT_API
#  define ZRT_CDECL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The interpreter's array block. All words are little-endian 32-bit:
 *
 *   bytes 0-3            blockWords: size of the whole block in 32-bit words
 *   bytes 4-5            descriptor: bits 0-3 owner class (7 nested, 15 simple: the library may
 *                        free it), bits 4-7 rank, bits 8-11 element type (APLType)
 *   bytes 6-7            not used
 *   bytes 8..8+4*rank-1  shape, first axis first
 *   then                 the elements in row-major order, 4-byte aligned only
 *
 * APLType: 0 character (1 byte), 1 Boolean (1 bit, most significant bit first), 2, 3, 4 signed
 * integers of 1, 2, 4 bytes, 5 IEEE 754 double, 6 nested (one native pointer per item; an empty
 * nested array keeps one prototype slot).
 */
typedef struct APLArray {
    uint32_t blockWords;
    uint16_t descriptor;
    uint16_t unused;
} APLArray;

/* Return codes shared by the exports; 0 is success. */
#define ZRT_OK 0u
#define ZRT_E_RANGE 10001u          /* index or length out of range */
#define ZRT_E_RANK 10002u           /* an argument that must be a vector is not */
#define ZRT_E_NO_EXPORT 10003u      /* XC: no array export of that name */
#define ZRT_E_TYPE 10004u           /* argument of the wrong type or form */
#define ZRT_E_VERSION 10005u        /* the system refused its version information */
#define ZRT_E_NO_ROOT 10006u        /* Init has not been called */
#define ZRT_E_NO_PARENT 10007u      /* the parent of a dotted name does not exist */
#define ZRT_E_WRONG_KIND 10008u     /* the object is of another kind */
#define ZRT_E_EXISTS 10009u         /* the object to be created exists already */
#define ZRT_E_NOT_FOUND 10010u      /* no object of that name */
#define ZRT_E_ROOT_EXISTS 10011u    /* Init was called before */
#define ZRT_E_NO_MEMORY 10012u      /* out of memory */
#define ZRT_E_UNSUITED 10015u       /* the objects do not suit the operation */
#define ZRT_E_BAD_NAME 10023u       /* empty or malformed object name */
#define ZRT_E_NO_DEFAULT_CHAR 10036u/* a character set lacks its DefaultChar */
#define ZRT_E_FILE 10039u           /* file failure, or a fault while cells were touched */
#define ZRT_E_BAD_PARENT 10040u     /* New: that kind cannot live under that parent */
#define ZRT_E_BAD_KIND 10041u       /* New: no valid kind */
#define ZRT_E_EOF 10050u            /* nothing left to read from the caller's handle */

/* ---- call frame ---------------------------------------------------------------------- */
ZRT_PUBLIC uint32_t ZRT_API Init(const char* registryBase, const char* iniPath);

/* ---- array files --------------------------------------------------------------------- */
/* New: makes an array file object (creating or opening its disk file), a memory array or a
 * memory item. Get/Put: the values of an item, whole or through a selection of element ids.
 * Close: destroys an object and everything under it ("." ends every object). */
ZRT_PUBLIC APLArray* ZRT_API New(APLArray* arg);
ZRT_PUBLIC APLArray* ZRT_API Get(APLArray* arg);
ZRT_PUBLIC APLArray* ZRT_API Put(APLArray* arg);
ZRT_PUBLIC APLArray* ZRT_API Close(APLArray* arg);
/* Describe: (name; [depth]) -> the tree of names below the object (depth 0), or to that depth
 * each object's own description. Save: (memory array; [audit stamp]) writes its items back into
 * the array file it was cut out of. Rename: (file; new path). Remove: file, deleting its disk
 * file. Transpose: (file; new name; new path; order) writes a file with the dimensions in the
 * order given (item i: the new position of dimension i) and makes it a new array file object. */
ZRT_PUBLIC APLArray* ZRT_API Describe(APLArray* arg);
ZRT_PUBLIC APLArray* ZRT_API Save(APLArray* arg);
ZRT_PUBLIC APLArray* ZRT_API Rename(APLArray* arg);
ZRT_PUBLIC APLArray* ZRT_API Remove(APLArray* arg);
ZRT_PUBLIC APLArray* ZRT_API Transpose(APLArray* arg);

/* ---- array engine -------------------------------------------------------------------- */
/* Computing over items without bringing their cells into APL. Calc: an element-wise operator
 * into a target. Reduce, LComb, CorrectWtd: folds along one dimension. RangeAlloc: recoding
 * through range rules. Match: whether two operands hold the same numbers. FlagNonZeroPages,
 * FindFirstNonZeroPage: scans of a selection for nonzero cells. */
ZRT_PUBLIC APLArray* ZRT_API Calc(APLArray* arg);
ZRT_PUBLIC APLArray* ZRT_API Reduce(APLArray* arg);
ZRT_PUBLIC APLArray* ZRT_API LComb(APLArray* arg);
ZRT_PUBLIC APLArray* ZRT_API CorrectWtd(APLArray* arg);
ZRT_PUBLIC APLArray* ZRT_API RangeAlloc(APLArray* arg);
ZRT_PUBLIC APLArray* ZRT_API Match(APLArray* arg);
ZRT_PUBLIC APLArray* ZRT_API FlagNonZeroPages(APLArray* arg);
ZRT_PUBLIC APLArray* ZRT_API FindFirstNonZeroPage(APLArray* arg);

/* ---- legacy locking ------------------------------------------------------------------ */
#define ZRT_E_USERS_FILE_OPEN 10100u  /* the users file does not open, even after creating it */
#define ZRT_E_CANNOT_CREATE 10101u    /* the users file or a lock file cannot be created */
#define ZRT_E_SHORT_READ 10102u       /* a record cannot be read in full; users file not open */
#define ZRT_E_SHORT_WRITE 10103u      /* a record or a process id cannot be written in full */
#define ZRT_E_FILE_SIZE 10104u        /* a file's size is unknown or not whole records */
#define ZRT_E_SEEK 10105u             /* a file cannot be positioned */
#define ZRT_E_SLOT_HELD 10106u        /* the slot is alive elsewhere, or one is held already */
#define ZRT_E_NO_USER_FILE 10107u     /* no per-user file is held, or it cannot be closed */
#define ZRT_E_USER_ALIVE 10108u       /* a live user's locks may not be released unforced */
#define ZRT_E_NOT_LOGGED_IN 10109u    /* the caller is not logged in */
#define ZRT_E_LOGGED_IN 10110u        /* the caller is logged in already */
#define ZRT_E_CONFLICT 10111u         /* the lock conflicts with a live user's or the caller's */
#define ZRT_E_NO_FREE_SLOT 10112u     /* every user slot is taken */
#define ZRT_E_LOCK_FILE_OPEN 10113u   /* a lock file cannot be opened */
#define ZRT_E_USER_FILE_OPEN 10114u   /* opening a per-user file failed unexpectedly */
#define ZRT_E_LOCK_FILE_CLOSE 10115u  /* a lock file cannot be closed */
#define ZRT_E_LOGIN_LOST 10116u       /* the caller's per-user file no longer holds its id */
#define ZRT_E_NO_FILE_LOCKS 10117u    /* the users file's file system keeps no byte-range locks */

/* LogIn: a user slot for the calling process; *userNumber receives it (-1 on failure, the user
 * key of the caller's record with 10110, MaxUsers with 10112). userName: at most 1027 bytes. */
ZRT_PUBLIC uint32_t ZRT_API LogIn(uint32_t unused, int32_t* userNumber, const char* userName);
/* LogOut: releases the slot's locks and record, then ends the caller's own login. */
ZRT_PUBLIC uint32_t ZRT_API LogOut(int32_t userSlot);
/* LockNLD: locks the NLD (name of at most 31 bytes, library, dt) in a mode. On success *lock is
 * the lock handle and userName (1028 bytes) the caller's name; with 10111 they are the user key
 * and name of the holder of the lock in the way. */
ZRT_PUBLIC uint32_t ZRT_API LockNLD(const char* name, int32_t library, int32_t dt, uint32_t mode,
                                    int32_t* lock, char* userName);
/* ReleaseNLD: frees the lock of that handle. */
ZRT_PUBLIC uint32_t ZRT_API ReleaseNLD(int32_t lock);

/* ---- fast path ----------------------------------------------------------------------- */
/* SCAR files: any array to a file and back. */
ZRT_PUBLIC APLArray* ZRT_API FileRead(APLArray* name);
ZRT_PUBLIC APLArray* ZRT_API FileWrite(APLArray* name, APLArray* data);
/* Packed buffers: an array tree in one block without pointers. XC calls an array export by
 * name with a packed request and replaces *request by the address of a new packed result. */
ZRT_PUBLIC void* ZRT_API XC(void** request);
ZRT_PUBLIC uint32_t ZRT_API APLFreeRes(void* buffer);
ZRT_PUBLIC uint32_t ZRT_API APLCalcSize(void** buffer, uint32_t* size);
ZRT_PUBLIC uint32_t ZRT_API APLPack(void** buffer, uint32_t* size, void* destination);
ZRT_PUBLIC void* ZRT_API APLUnPack(const void* source, uint32_t count, void** buffer);

/* ---- packed files -------------------------------------------------------------------- */
ZRT_PUBLIC uint32_t ZRT_API CalculateCRC32(const void* data, uint32_t count, uint32_t crc);
/* PackFile: 'path' -> (temporary path; handle, CRC-32, compressed size), the temporary file open.
 * UnPackFile: (directory; handle at an archive entry) -> (name; V, CRC-32, size, compressed size). */
ZRT_PUBLIC APLArray* ZRT_API PackFile(APLArray* arg);
ZRT_PUBLIC APLArray* ZRT_API UnPackFile(APLArray* arg);

/* ---- dates --------------------------------------------------------------------------- */
ZRT_PUBLIC APLArray* ZRT_API myDate(APLArray* arg);
ZRT_PUBLIC APLArray* ZRT_API DateToYMD(APLArray* arg);
ZRT_PUBLIC APLArray* ZRT_API DateToYWD(APLArray* arg);
ZRT_PUBLIC APLArray* ZRT_API DateFromYMD(APLArray* arg);
ZRT_PUBLIC APLArray* ZRT_API DateFromYWD(APLArray* arg);
ZRT_PUBLIC uint32_t ZRT_CDECL DateInit(int32_t selector, const char* text);

/* ---- text-matrix utilities ----------------------------------------------------------- */
ZRT_PUBLIC APLArray* ZRT_API WildIota(APLArray* arg);
ZRT_PUBLIC APLArray* ZRT_API DllSep(APLArray* arg);
ZRT_PUBLIC APLArray* ZRT_API DllCntCols(APLArray* arg);
ZRT_PUBLIC APLArray* ZRT_API RowFind(APLArray* arg);

/* ---- file-system utilities ----------------------------------------------------------- */
/* Listings: Dir and DirX start one, DirMore and DirMoreX continue it. The buffer holds size + 1
 * bytes; entries are 14 (Dir) or 45 (DirX) characters. 0 while entries remain, else the system
 * error that ended the listing (18 at its end). */
ZRT_PUBLIC uint32_t ZRT_API Dir(const char* pattern, int32_t size, char* buffer);
ZRT_PUBLIC uint32_t ZRT_API DirMore(int32_t size, char* buffer);
ZRT_PUBLIC uint32_t ZRT_API DirX(const char* pattern, int32_t size, char* buffer);
ZRT_PUBLIC uint32_t ZRT_API DirMoreX(int32_t size, char* buffer);
/* 0, or the system error number. */
ZRT_PUBLIC uint32_t ZRT_API WRename(const char* oldPath, const char* newPath);
ZRT_PUBLIC uint32_t ZRT_API Erase(const char* path);
ZRT_PUBLIC uint32_t ZRT_API Copy(const char* source, const char* destination);
/* 0, or 10005 with the outputs 12345678, 0, 0, 0. */
ZRT_PUBLIC uint32_t ZRT_API APLGetVersion(uint32_t* platformId, uint32_t* major, uint32_t* minor,
                                          uint32_t* build);
/* 1 with the chosen folder in buffer (260 bytes), 0 when cancelled or without a desktop. */
ZRT_PUBLIC uint32_t ZRT_API BrowseDirectory(const char* title, const char* startFolder,
                                            char* buffer, void* owner);

#ifdef __cplusplus
}
#endif

#endif
