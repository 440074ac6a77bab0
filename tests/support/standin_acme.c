/* A stand-in for the ACME assembler, started by zspack as ACME.exe in the tests, on Linux
 * and (cross-built) on Windows alike. It assembles nothing. It records:
 *   acme_args.txt   its arguments after the program name, each in brackets, then a line
 *                   end: "[-v9][MakeMe.a]\n" is the call zspack must make;
 *   acme_start.txt  "argv0=[...]" and the sizes of the_defines.a and the_data.a when it
 *                   started (-1 for a file that cannot be opened), so a test sees that both
 *                   generated sources were complete before the assembler ran;
 * prints "[stand-in assembler ran]" on its standard output, and exits with the decimal
 * number in acme_exit.txt (0 when that file is missing). */
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

static int ExitCode(void) {
  FILE* file = fopen("acme_exit.txt", "rb");
  int code = 0;
  if (file == NULL) return 0;
  if (fscanf(file, "%d", &code) != 1) code = 125;
  fclose(file);
  return code;
}

int main(int argc, char** argv) {
  int i;
  FILE* args = fopen("acme_args.txt", "ab");
  FILE* start = fopen("acme_start.txt", "wb");
  if (args == NULL || start == NULL) return 125;
  for (i = 1; i < argc; ++i) fprintf(args, "[%s]", argv[i]);
  fprintf(args, "\n");
  fprintf(start, "argv0=[%s]\n", argc > 0 ? argv[0] : "");
  fprintf(start, "the_defines.a=%ld\n", FileSize("the_defines.a"));
  fprintf(start, "the_data.a=%ld\n", FileSize("the_data.a"));
  if (fclose(args) != 0 || fclose(start) != 0) return 125;
  printf("[stand-in assembler ran]\n");
  return fflush(stdout) == 0 ? ExitCode() : 125;
}
