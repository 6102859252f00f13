/* SPDX-License-Identifier: Apache-2.0 */
/*
** vexlin150: conversion of NAACCR record layout 14.0 abstracts to layout 15.0.
**
** A caller opens one conversion (a file conversion, whose results and reports
** are kept beside the input file, or a record conversion kept in memory),
** optionally sets options, hands over records of 22824 characters one by one,
** reads the results back and closes the conversion. The library is
** single-threaded: calls must not overlap. No call raises an exception; status
** travels in the integer results described below.
**
** Every function uses the C calling convention, in 32-bit Windows builds too.
*/
#ifndef VEXLIN150_H
#define VEXLIN150_H

#if defined(_WIN32)
#  define VEXLIN150_CALL __cdecl
#  if defined(VEXLIN150_BUILDING)
#    define VEXLIN150_API __declspec(dllexport)
#  else
#    define VEXLIN150_API __declspec(dllimport)
#  endif
#else
#  define VEXLIN150_CALL
#  if defined(VEXLIN150_BUILDING)
#    define VEXLIN150_API __attribute__((visibility("default")))
#  else
#    define VEXLIN150_API
#  endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Length of one NAACCR record of type A. */
#define VEXLIN150_RECORD_LENGTH 22824
/* Size of the information block written by vexlin150_Get_dll_info. */
#define VEXLIN150_INFO_SIZE 192

/* Result flags of the two record exports, ORed together. */
#define VEXLIN150_NO_SCHEMA_FOR_SITE      8   /* no Collaborative Stage schema for the Primary Site */
#define VEXLIN150_NO_SCHEMA_FOR_HISTOLOGY 16  /* no schema for the histology */
#define VEXLIN150_SCHEMA_FAILURE          32  /* any other schema selection failure */
#define VEXLIN150_FIELD_CHANGED           64  /* reserved */
#define VEXLIN150_CS_CALCULATION_ERROR    128 /* the Collaborative Stage calculation reported an error */

/* Stage options of vexlin150_Convert_buffer_and_stage. */
#define VEXLIN150_STAGE_SS1977 1
#define VEXLIN150_STAGE_SS2000 2
#define VEXLIN150_STAGE_AJCC   4

/* Tables of vexlin150_Ready_messages, and the row formats. */
#define VEXLIN150_TABLE_CONVERSIONS 1
#define VEXLIN150_TABLE_REVIEWABLES 2
#define VEXLIN150_TABLE_MESSAGES    3
#define VEXLIN150_FORMAT_SENTENCE   1
#define VEXLIN150_FORMAT_DELIMITED  2
#define VEXLIN150_FORMAT_LABELLED   3

/* Ordinal 1. Fills the caller's zero-filled block of 192 bytes: library
** version at 0, build date at 16, build time at 32, maker and contact (two
** lines) at 48, Collaborative Stage version at 112 and timestamp at 128; each
** field NUL-terminated within its slot. Needs no open conversion. Returns 0. */
VEXLIN150_API int VEXLIN150_CALL vexlin150_Get_dll_info(char *info);

/* Ordinal 2. Converts one record of 22824 characters in place: control
** characters become blanks, the Collaborative Stage schema is selected, the
** conversion rules run. Sets *restage and *review to 0 or 1. Returns the
** result flags. Without an open conversion, or with a NULL record, does
** nothing and returns 0. */
VEXLIN150_API int VEXLIN150_CALL vexlin150_Convert_buffer_to_150(int record_number, char *record, int reserved,
                                                                 unsigned char *restage, unsigned char *review);

/* Ordinal 3. As vexlin150_Convert_buffer_to_150, then recomputes Collaborative
** Stage and, when the rules set *restage, writes back the derived families
** that stage_options asks for (VEXLIN150_STAGE_*). Returns the result flags. */
VEXLIN150_API int VEXLIN150_CALL vexlin150_Convert_buffer_and_stage(int record_number, char *record, int reserved,
                                                                    int stage_options, unsigned char *restage,
                                                                    unsigned char *review);

/* Ordinal 4. Stores the global options word (reserved; no rule consults it).
** Returns 0. */
VEXLIN150_API int VEXLIN150_CALL vexlin150_Set_global_options(int options);

/* Ordinal 5. Stores a per-item option (reserved) at index 0 to 526: returns 0,
** or 1 and stores nothing for an index out of range. */
VEXLIN150_API int VEXLIN150_CALL vexlin150_Set_field_options(int index, int value);

/* Ordinal 6. Copies at most length - 1 characters of the listing of all three
** result tables, and a terminator, into buffer. Returns the listing's full
** length: a result of length or more means the listing was cut. */
VEXLIN150_API int VEXLIN150_CALL vexlin150_Get_conversion_results(char *buffer, int length);

/* Ordinal 7. Empties the three result tables and zeroes the counters. Returns
** the SQLite result code of the last deletion (0 on success). */
VEXLIN150_API int VEXLIN150_CALL vexlin150_Clear_results(void);

/* Ordinal 8. Opens a file conversion for the input file at path: its results
** database is the path less its extension (less ".gz" and the extension
** before it for a gzip file's name), with ".db". On Windows the path is text
** of the ANSI code page, as every char interface there takes it; elsewhere
** the file system's bytes (UTF-8). Returns 1 when the database is open, else
** 0 (records still convert, nothing is recorded). */
VEXLIN150_API int VEXLIN150_CALL vexlin150_Initialize_file_conversion(const char *path);

/* Ordinal 9. Writes the reports ("mes", "rev", "cnv" beside the input) and
** closes the file conversion. The database and the reports are written, not
** flushed: a caller that must find them whole after a power cut flushes them
** to the disk itself. */
VEXLIN150_API void VEXLIN150_CALL vexlin150_Close_file_conversion(void);

/* Ordinal 10. Opens a record conversion: results in memory, no reports. */
VEXLIN150_API void VEXLIN150_CALL vexlin150_Initialize_record_conversion(void);

/* Ordinal 11. Closes a record conversion. */
VEXLIN150_API void VEXLIN150_CALL vexlin150_Close_record_conversion(void);

/* Ordinal 12. Opens one table (VEXLIN150_TABLE_*) for reading row by row in a
** format (VEXLIN150_FORMAT_*), with a separator character for the delimited
** and labelled formats and the caller's buffer length. Returns the table's
** row count as counted at logging, 0 for an unknown table. */
VEXLIN150_API int VEXLIN150_CALL vexlin150_Ready_messages(int table, int format, int separator, int buffer_length);

/* Ordinal 13. Copies the next row's text into buffer (at most the buffer
** length given to vexlin150_Ready_messages, terminator included); leaves the
** buffer as it was when no row is left. Returns 0. */
VEXLIN150_API int VEXLIN150_CALL vexlin150_Get_next_message(char *buffer);

/* Ordinal 14. Writes the conversions, reviewables and messages counters.
** Returns the messages counter. */
VEXLIN150_API int VEXLIN150_CALL vexlin150_Get_result_counters(int *conversions, int *reviewables, int *messages);

/* Ordinal 15. Tells whether every write of the results of the open
** conversion, or of the conversion closed last, succeeded: the database's
** creation, each row logged, each commit, the closing of the database and
** each report file. Logging goes on after a failure, so the results are then
** incomplete. Returns 0 when every write succeeded; else the first failure's
** code (an SQLite result code, or -1 for a report file) and, when reason is
** not NULL and length is above 0, at most length - 1 characters of its
** reason and a terminator ("cannot store a row of the conversions table in
** the results database "in.db": database or disk is full"; on Windows in the
** ANSI code page, a character that has none there as '?'). A file
** conversion's reports are written by vexlin150_Close_file_conversion: ask
** after it. */
VEXLIN150_API int VEXLIN150_CALL vexlin150_Get_results_failure(char *reason, int length);

/* A row the library has stored in the results database: its table
** (VEXLIN150_TABLE_*), its record number (recordNum, or a message's sequence)
** and its other columns as texts in the table's order, each of
** text_lengths[i] characters (not NUL-terminated): 14 of a conversion,
** 11 of a reviewable, 2 of a message (id, msg). The texts live until the
** listener returns.
** A row of table VEXLIN150_ROWS_COMPLETE (no record number, no texts) comes
** last, inside vexlin150_Close_file_conversion before the reports are
** written, when every row of the file conversion is stored and committed:
** from then on another connection reads the database whole. It does not
** come when a write of the results failed. */
#define VEXLIN150_ROWS_COMPLETE 0
typedef struct vexlin150_row {
    int table;
    int record_number;
    int text_count;
    const char *const *texts;
    const int *text_lengths;
} vexlin150_row;
typedef void(VEXLIN150_CALL *vexlin150_row_listener)(void *context, const vexlin150_row *row);

/* Ordinal 16. Sets the function told of every row stored from now on, once
** the row is in the database, with context; NULL for none. It is called on
** the caller's thread, inside the export that logs the row (the record
** exports), and must not call the library. It stays set for every
** conversion until set again: a caller can gather what the rows hold as they
** are written instead of reading them back. Needs no open conversion.
** Returns 0. */
VEXLIN150_API int VEXLIN150_CALL vexlin150_Set_row_listener(vexlin150_row_listener listener, void *context);

#ifdef __cplusplus
}
#endif

#endif /* VEXLIN150_H */
