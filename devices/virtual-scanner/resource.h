// Resource identifiers of the virtual scanner (virtual_scanner.rc).
#pragma once

#define IDD_SCAN 100
#define IDC_RESOLUTION 1001
#define IDC_COLOUR_MODE 1002
