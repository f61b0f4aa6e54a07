#pragma once
// Resource ids the tray test program adds to the program's own resources.

#define IDD_TRAY_PROBE 900
#define IDC_TRAY_PROBE_BUTTON 901
