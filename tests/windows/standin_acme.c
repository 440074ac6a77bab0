/* A stand-in for the ACME assembler, built as ACME.exe for the Windows check.
 *
 * It records in "acme_args.txt" (working directory) what it was started with:
 *   argc=N
 *   argv0=[...]
 *   [argument 1]
 *   ...
 *   the_defines.a=SIZE      (-1 when the file cannot be opened)
 *   the_data.a=SIZE
 * so the check sees the exact arguments, the program-name slot, and that both
 * generated sources were complete before the assembler started.
 *
 * Its exit code is the decimal number in the environment variable ZSACME_EXIT
 * (0 when unset or empty). It prints nothing. */
#include <stdio.h>
#include <stdlib.h>

static long FileSize(const char* name) {
  FILE* file = fopen(name, "rb");
  long size = 0;
  if (file == NULL) return -1;
  while (fgetc(file) != EOF) ++size;
  fclose(file);
  return size;
}

int main(int argc, char** argv) {
  const char* exitText = getenv("ZSACME_EXIT");
  int exitCode = 0;
  int i;
  FILE* record = fopen("acme_args.txt", "wb");
  if (record == NULL) return 125;
  fprintf(record, "argc=%d\n", argc);
  fprintf(record, "argv0=[%s]\n", argc > 0 ? argv[0] : "");
  for (i = 1; i < argc; ++i) fprintf(record, "[%s]\n", argv[i]);
  fprintf(record, "the_defines.a=%ld\n", FileSize("the_defines.a"));
  fprintf(record, "the_data.a=%ld\n", FileSize("the_data.a"));
  if (fclose(record) != 0) return 125;
  if (exitText != NULL && exitText[0] != '\0') exitCode = (int)strtol(exitText, NULL, 10);
  return exitCode;
}
