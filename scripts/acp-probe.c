/* Prints the ANSI code page Wine gives programs; the harness expects 936. */
#include <windows.h>
#include <stdio.h>

int main(void)
{
    printf("%u\n", GetACP());
    return 0;
}
