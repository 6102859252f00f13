// SPDX-License-Identifier: Apache-2.0
/*
** Resource identifiers of quillmar150: shared by the resource script, the
** dialog procedure and the dialog controller. Plain macros only, so that the
** resource compiler reads this file too.
*/
#ifndef QUILLMAR_RESOURCE_H
#define QUILLMAR_RESOURCE_H

#define IDI_QUILLMAR         1
#define IDD_MAIN             100
#define IDB_PICTURE          101

#define IDC_INPUT_PATH       101
#define IDC_OUTPUT_PATH      102
#define IDC_INPUT_SELECT     103
#define IDC_OUTPUT_SELECT    104
#define IDC_OUTPUT_GROUP     115
#define IDC_VERSION_LABEL    116
#define IDC_INPUT_GROUP      118
#define IDC_VERSION          119
#define IDC_RECORD_TYPE_LABEL 120
#define IDC_RECORD_TYPE      121
#define IDC_PICTURE          1003
#define IDC_HELP_BUTTON      1004
#define IDC_AJCC_STAGE       1009
#define IDC_PROGRESS         1010
#define IDC_SS1977           1011
#define IDC_SS2000           1012
#define IDC_RECORD_SIZE      1013
#define IDC_RECORD_COUNT     1014
#define IDC_DERIVE_CS        1015

/* The push buttons Convert and Quit carry the standard ids 1 and 2. */
#define IDC_CONVERT          1
#define IDC_QUIT             2

#endif /* QUILLMAR_RESOURCE_H */
