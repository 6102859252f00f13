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
/* The first 302 bytes are the library's inputs, filled by
** CStage_move_naaccr_to_datacard; these are the outputs after CStage_calculate. */
#define CSTAGE_DC_INPUT_SIZE        302
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
#define CSTAGE_NO_SCHEMA_FOR_SITE      (-1001)
#define CSTAGE_NO_SCHEMA_FOR_HISTOLOGY (-1000)

/* Schema number for the site (4 characters), histology (4) and CS Site-Specific
** Factor 25 (3), each NUL-terminated: 1 to 153, or a negative failure code. */
CSTAGE_API int CSTAGE_CALL CStage_get_schema_number(const char *site, const char *hist, const char *ssf25);
/* Number of schemas the library knows. */
CSTAGE_API int CSTAGE_CALL CStage_get_number_of_schemas(void);
/* Name of a schema, shorter than 40 characters; NULL for an unknown number. */
CSTAGE_API const char *CSTAGE_CALL CStage_get_schema_name(int schema_number);
/* Build timestamp of the library. */
CSTAGE_API const char *CSTAGE_CALL CStage_get_timestamp(void);
/* Version of the library; its first six characters become CS Version Derived. */
CSTAGE_API const char *CSTAGE_CALL CStage_get_version(void);
/* Derives stage from the data card's inputs: 0 on success, non-zero when the
** calculation reports an error (error word and message text say which). */
CSTAGE_API int CSTAGE_CALL CStage_calculate(char *datacard);
/* Fills the data card's inputs from a NAACCR record of 22824 characters. */
CSTAGE_API int CSTAGE_CALL CStage_move_naaccr_to_datacard(char *datacard, const char *record);
/* Writes the data card's outputs back into a NAACCR record. */
CSTAGE_API int CSTAGE_CALL CStage_move_datacard_to_naaccr(const char *datacard, char *record);

#ifdef __cplusplus
}
#endif

#endif /* CSTAGE0205_H */
