/* A tiny C program that uses an installed Lorvex: it converts one feed and prints the count. */
#include <lorvex.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* The test hands over ASCII paths, so each byte widens to one 16-bit character. */
static lorvex_char* widen(const char* text) {
    size_t length = strlen(text);
    lorvex_char* wide = malloc((length + 1) * sizeof *wide);
    if (wide == NULL) return NULL;
    for (size_t i = 0; i <= length; ++i)
        wide[i] = (lorvex_char)(unsigned char)text[i];
    return wide;
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: consumer FEED RECORDS\n");
        return 2;
    }
    lorvex_char* input = widen(argv[1]);
    lorvex_char* output = widen(argv[2]);
    int count = input && output ? ConvertFile(input, output) : -1;
    free(input);
    free(output);
    printf("%d\n", count);
    return count < 0 ? 1 : 0;
}
