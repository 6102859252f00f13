/* SPDX-License-Identifier: Apache-2.0 */
/*
** The Collaborative Stage library contract, version 02.05: the eight entry
** points that the conversion library binds by name, and the layout of the
** data card that it hands to them. Every entry point uses the C calling
** convention (the caller removes the arguments), in 32-bit builds too.
*/
#ifndef CSTAGE0205_H
#define CSTAGE0205_H

#if defined(_WIN32)
#  define CSTAGE_CALL __cdecl
#  if defined(CSTAGE0205_BUILDING)
#    define CSTAGE_API __declspec(dllexport)
#  else
#    define CSTAGE_API
#  endif
#else
#  define CSTAGE_CALL
#  if defined(CSTAGE0205_BUILDING)
#    define CSTAGE_API __attribute__((visibility("default")))
#  else
#    define CSTAGE_API
#  endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Size of the data card work area owned by the caller. */
#define CSTAGE_DATACARD_SIZE 3360
/* The first 302 bytes are the library's own: the inputs, filled by
** CStage_move_naaccr_to_datacard, and CS Version Derived at 296 (6) after
** CStage_calculate. These are the outputs after CStage_calculate. */
#define CSTAGE_DC_INPUT_SIZE        302
#define CSTAGE_DC_CS_VERSION_DERIVED 296 /* 6, blank when nothing was derived */
#define CSTAGE_DC_AJCC6_T           302 /* 2, descriptor at 305 */
#define CSTAGE_DC_AJCC6_T_DESCRIPT  305
#define CSTAGE_DC_AJCC6_N           308 /* 2, descriptor at 311 */
#define CSTAGE_DC_AJCC6_N_DESCRIPT  311
#define CSTAGE_DC_AJCC6_M           314 /* 2, descriptor at 317 */
#define CSTAGE_DC_AJCC6_M_DESCRIPT  317
#define CSTAGE_DC_AJCC6_STAGE       320 /* 2 */
#define CSTAGE_DC_AJCC7_T           323 /* 3, descriptor at 327 */
#define CSTAGE_DC_AJCC7_T_DESCRIPT  327
#define CSTAGE_DC_AJCC7_N           330 /* 3, descriptor at 334 */
#define CSTAGE_DC_AJCC7_N_DESCRIPT  334
#define CSTAGE_DC_AJCC7_M           337 /* 3, descriptor at 341 */
#define CSTAGE_DC_AJCC7_M_DESCRIPT  341
#define CSTAGE_DC_AJCC7_STAGE       344 /* 3 */
#define CSTAGE_DC_SS1977            348 /* 1 */
#define CSTAGE_DC_SS2000            351 /* 1 */
#define CSTAGE_DC_ERROR_WORD        356 /* 32-bit int, bit set */
#define CSTAGE_DC_MESSAGE           360 /* 3000, NUL-terminated, may hold newlines */
#define CSTAGE_DC_MESSAGE_SIZE      3000

/* Schema selection results other than a schema number 1 to 153. */
#define CSTAGE_NO_SCHEMA_FOR_SITE      (-1001) /* the site is not a valid code */
#define CSTAGE_NO_SCHEMA_FOR_HISTOLOGY (-1000) /* the histology is not a valid code, or no schema takes the pair */
#define CSTAGE_NO_SCHEMA_FOR_SSF25     (-1002) /* the pair needs SSF25 to pick a schema, and SSF25 picks none */
#define CSTAGE_SCHEMA_AMBIGUOUS        (-1003) /* more than one schema takes the case */

/* Bits of the error word at CSTAGE_DC_ERROR_WORD after CStage_calculate.
** An item is "not derived" when its storage code is blank after the
** calculation, whatever the reason. */
#define CSTAGE_ERR_PROBLEM          0x00000001u /* a problem was recorded; the message text lists them */
#define CSTAGE_ERR_AJCC6_T          0x00000002u /* AJCC 6th edition T not derived */
#define CSTAGE_ERR_AJCC6_T_DESCRIPT 0x00000004u /* ... T descriptor */
#define CSTAGE_ERR_AJCC6_N          0x00000008u /* ... N */
#define CSTAGE_ERR_AJCC6_N_DESCRIPT 0x00000010u /* ... N descriptor */
#define CSTAGE_ERR_AJCC6_M          0x00000020u /* ... M */
#define CSTAGE_ERR_AJCC6_M_DESCRIPT 0x00000040u /* ... M descriptor */
#define CSTAGE_ERR_AJCC6_STAGE      0x00000080u /* ... stage group */
#define CSTAGE_ERR_SS1977           0x00000100u /* SEER Summary Stage 1977 not derived */
#define CSTAGE_ERR_SS2000           0x00001000u /* SEER Summary Stage 2000 not derived */
#define CSTAGE_ERR_NO_SCHEMA        0x00010000u /* site, histology and SSF25 select no single schema */
#define CSTAGE_ERR_YEAR             0x00020000u /* year of diagnosis rejected: nothing derived */
#define CSTAGE_ERR_INVALID_INPUT    0x00040000u /* an input holds a code its schema does not know */
#define CSTAGE_ERR_NO_MATCHING_ROW  0x00080000u /* a decision table had no row for the case */
#define CSTAGE_ERR_AJCC7_T          0x00100000u /* AJCC 7th edition T not derived */
#define CSTAGE_ERR_AJCC7_T_DESCRIPT 0x00200000u /* ... T descriptor */
#define CSTAGE_ERR_AJCC7_N          0x00400000u /* ... N */
#define CSTAGE_ERR_AJCC7_N_DESCRIPT 0x00800000u /* ... N descriptor */
#define CSTAGE_ERR_AJCC7_M          0x01000000u /* ... M */
#define CSTAGE_ERR_AJCC7_M_DESCRIPT 0x02000000u /* ... M descriptor */
#define CSTAGE_ERR_AJCC7_STAGE      0x04000000u /* ... stage group */
#define CSTAGE_ERR_TABLE_ERROR      0x08000000u /* a decision table row reports an error */
#define CSTAGE_ERR_JUMP_LOOP        0x10000000u /* a table jumped to a table already running */
/* All fourteen AJCC bits: set together exactly when neither edition derived anything. */
#define CSTAGE_ERR_AJCC_ALL         0x07F000FEu

/* Schema number for the site (4 characters), histology (4) and CS Site-Specific
** Factor 25 (3), each NUL-terminated (at most 8 characters are read): 1 to 153,
** or one of the negative codes above. */
CSTAGE_API int CSTAGE_CALL CStage_get_schema_number(const char *site, const char *hist, const char *ssf25);
/* Number of schemas the library knows. */
CSTAGE_API int CSTAGE_CALL CStage_get_number_of_schemas(void);
/* Published name of a schema ("Prostate", "HemeRetic"), shorter than 40
** characters; NULL for a number outside 1 to the number of schemas. */
CSTAGE_API const char *CSTAGE_CALL CStage_get_schema_name(int schema_number);
/* The pin of the tables the library carries (their version and SHA-256). */
CSTAGE_API const char *CSTAGE_CALL CStage_get_timestamp(void);
/* Version of the library: "020550" (becomes CS Version Derived), then words
** naming the engine and its tables. */
CSTAGE_API const char *CSTAGE_CALL CStage_get_version(void);
/* Derives stage from the data card's inputs: writes the 16 outputs (blank
** where nothing was derived), the error word and the message text, one line
** per problem. 0 when no problem was recorded, 1 otherwise (also for NULL). */
CSTAGE_API int CSTAGE_CALL CStage_calculate(char *datacard);
/* Fills the data card's inputs (clearing the first 302 bytes) from a NAACCR
** 14.0 record of 22824 characters: 0, or 1 for a NULL pointer. */
CSTAGE_API int CSTAGE_CALL CStage_move_naaccr_to_datacard(char *datacard, const char *record);
/* Writes the 16 derived items and CS Version Derived from the data card into
** their NAACCR 14.0 columns of the record: 0, or 1 for a NULL pointer. */
CSTAGE_API int CSTAGE_CALL CStage_move_datacard_to_naaccr(const char *datacard, char *record);

#ifdef __cplusplus
}
#endif

#endif /* CSTAGE0205_H */
