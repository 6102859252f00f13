/* SPDX-License-Identifier: Apache-2.0 */
/*
** morvelio: information about a NAACCR file (record type, NAACCR version,
** line ends, record length and record count), read in one pass.
*/
#ifndef MORVELIO_H
#define MORVELIO_H

#if defined(_WIN32)
#  define MORVELIO_CALL __cdecl
#  if defined(MORVELIO_BUILDING)
#    define MORVELIO_API __declspec(dllexport)
#  else
#    define MORVELIO_API __declspec(dllimport)
#  endif
#else
#  define MORVELIO_CALL
#  if defined(MORVELIO_BUILDING)
#    define MORVELIO_API __attribute__((visibility("default")))
#  else
#    define MORVELIO_API
#  endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The file information record: the caller reserves MORVELIO_FILE_INFO_SIZE
** bytes, zero-fills them and puts the NUL-terminated input path at offset 0. */
#define MORVELIO_FILE_INFO_SIZE     3352
#define MORVELIO_FI_PATH            0    /* text, in (at most 2303 characters) */
#define MORVELIO_FI_PATH_SIZE       2304
#define MORVELIO_FI_RECORD_TYPE     2304 /* char: 'A', 'C', 'I' or 'M' */
#define MORVELIO_FI_VERSION         2305 /* text of 4: NAACCR version, e.g. "140" */
#define MORVELIO_FI_LINE_END_1      2309 /* char: first line-end character found */
#define MORVELIO_FI_LINE_END_2      2310 /* char: second line-end character, or NUL */
#define MORVELIO_FI_RECORD_LENGTH   2312 /* unsigned 32-bit */
#define MORVELIO_FI_RECORD_COUNT    2316 /* unsigned 32-bit */
#define MORVELIO_FI_ERROR_TEXT      2328 /* text, meaningful when the call returns above 0 */
#define MORVELIO_FI_ERROR_TEXT_SIZE (MORVELIO_FILE_INFO_SIZE - MORVELIO_FI_ERROR_TEXT)

/* The information block: MORVELIO_INFO_SIZE bytes, zero-filled by the caller. */
#define MORVELIO_INFO_SIZE          112
#define MORVELIO_INFO_VERSION       0    /* 16 */
#define MORVELIO_INFO_DATE          16   /* 16 */
#define MORVELIO_INFO_MAKER         48   /* 64: maker and contact, two lines */

/* Results of hsGet_naaccr_file_info. Above 0 is a failure with the error text
** filled in. With MORVELIO_LENGTH_DIFFERS every other field is filled as well
** (the record count counts all records); the error names the first record
** whose length differs from the first record's. */
#define MORVELIO_OK                 0
#define MORVELIO_CANNOT_OPEN        1 /* missing, unreadable or a directory */
#define MORVELIO_EMPTY              2
#define MORVELIO_TOO_SHORT          3 /* first record cannot hold the version */
#define MORVELIO_LENGTH_DIFFERS     4
#define MORVELIO_READ_ERROR         5
#define MORVELIO_TOO_LARGE          6 /* more records, or a longer record, than 32 bits count */
#define MORVELIO_STOPPED            7 /* the progress function asked to stop */

/* Describes the file whose path stands at offset 0 of file_info. Returns 0 or
** below on success; above 0 on failure, with the error text filled in. On
** Windows the path and the error text are text of the ANSI code page, as
** every char interface there takes them; elsewhere the file system's bytes
** (UTF-8). */
MORVELIO_API int MORVELIO_CALL hsGet_naaccr_file_info(char *file_info);

/* How far hsGet_naaccr_file_info_utf8 has read: the bytes of the file read so
** far and the file's size (the compressed file's, for a gzip file). Returns 0
** to go on; anything else stops the reading, and the call returns
** MORVELIO_STOPPED. */
typedef int (MORVELIO_CALL *morvelio_progress)(void *context, unsigned long long bytes_read,
                                               unsigned long long file_size);

/* As hsGet_naaccr_file_info, but the path at offset 0 and the error text are
** UTF-8 on every system, so that a Windows name outside the ANSI code page
** can be given; and progress, when not NULL, is called with context on the
** caller's thread about every 4 MB read, and once at the end. */
MORVELIO_API int MORVELIO_CALL hsGet_naaccr_file_info_utf8(char *file_info, morvelio_progress progress,
                                                           void *context);

/* Fills the information block. Returns 0. */
MORVELIO_API int MORVELIO_CALL hsGet_morvelio_dll_info(char *info);

#ifdef __cplusplus
}
#endif

#endif /* MORVELIO_H */
