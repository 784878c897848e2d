/* The public header, included from C. */
#include "lorvex.h"

int (*const convert_file_from_c)(const lorvex_char*, const lorvex_char*) = ConvertFile;
int (*const convert_utf8_file_from_c)(const char*, const char*) = ConvertFileUtf8;
