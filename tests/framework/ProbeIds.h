#pragma once
// Resource ids of the framework test program.

// Icons
#define IDI_PROBE 1

// Dialogs
#define IDD_PROBE 100
#define IDD_PROBE_CHILD 101

// Controls of IDD_PROBE
#define IDC_PROBE_BUTTON 1001
#define IDC_PROBE_LIST 1002
#define IDC_PROBE_COMBO 1003
#define IDC_PROBE_STATUS 1004
#define IDC_PROBE_EDIT 1005

// Controls of IDD_PROBE_CHILD
#define IDC_CHILD_LABEL 1101
#define IDC_CHILD_EDIT 1102
