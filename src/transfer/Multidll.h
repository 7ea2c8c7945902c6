#pragma once

// The C interface of the terminal maker's transfer library (libMultidll.so here,
// Multidll.dll on Windows), declared once for the whole project: the stand-in library
// defines these functions, the loader resolves them by these names.
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define KOVRA_MULTIDLL_APPEL __stdcall
#else
#define KOVRA_MULTIDLL_APPEL
#endif

extern "C" {
int32_t KOVRA_MULTIDLL_APPEL HM_OpenCommPort(int32_t port, int32_t baud, int32_t dataBits,
                                             int32_t parity, int32_t stopBits);
int32_t KOVRA_MULTIDLL_APPEL HM_CloseCommPort(int32_t port);
int32_t KOVRA_MULTIDLL_APPEL HM_file_exist(int32_t port, uint8_t address, const char* terminalFile,
                                           int32_t* size);
int32_t KOVRA_MULTIDLL_APPEL HM_power_saving_off(int32_t port, uint8_t address);
int32_t KOVRA_MULTIDLL_APPEL HM_power_saving_on(int32_t port, uint8_t address);
int32_t KOVRA_MULTIDLL_APPEL HM_upload1(int32_t port, uint8_t address, const char* terminalFile,
                                        char* pcFile);
int32_t KOVRA_MULTIDLL_APPEL HM_get_return_string_length(int32_t which);
int32_t KOVRA_MULTIDLL_APPEL HM_upload2(int32_t* bytes, int32_t* packets);
int32_t KOVRA_MULTIDLL_APPEL HM_download1(int32_t port, uint8_t address, const char* pcFile,
                                          const char* terminalFile, int32_t* total);
int32_t KOVRA_MULTIDLL_APPEL HM_download2(int32_t* bytes, int32_t* packets);
int32_t KOVRA_MULTIDLL_APPEL HM_get_ESC_delay(void);
int32_t KOVRA_MULTIDLL_APPEL HM_get_NAK_delay(void);
int32_t KOVRA_MULTIDLL_APPEL HM_get_time_out(void);
int32_t KOVRA_MULTIDLL_APPEL HM_set_ESC_delay(int32_t v);
int32_t KOVRA_MULTIDLL_APPEL HM_set_NAK_delay(int32_t v);
int32_t KOVRA_MULTIDLL_APPEL HM_set_time_out(int32_t v);
int16_t KOVRA_MULTIDLL_APPEL HM_version(void);
}
