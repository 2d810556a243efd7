// Resource and command ids of the program.
#pragma once

#define IDR_MAINFRAME 128
#define IDD_ABOUTBOX 100
#define IDD_SAVE_PARAM 130

#define IDC_SAVE_FOLDER 1000
#define IDC_BROWSE 1001
#define IDC_NAME_BY_SOURCE 1002
#define IDC_NAME_BY_UID 1003
#define IDC_SUFFIX 1004
#define IDC_SAVE_INFO 1005

#define ID_OPERATION_ZOOM 32771
#define ID_OPERATION_MOVE 32772
#define ID_OPERATION_LEFT 32773
#define ID_OPERATION_RIGHT 32774
#define ID_OPERATION_MIRROR 32775
#define ID_OPERATION_INVERT 32776
#define ID_OPERATION_RESET 32777
#define ID_HELP_USAGE 32778
#define ID_FILE_SAVE_ALL 32779

// The image window inside the image pane and its own save-as command.
#define IDC_DICOM_WND 9090
#define ID_DICOMWND_SAVE_AS 2236
// The progress window of save all.
#define IDC_SAVE_PROGRESS 9088
