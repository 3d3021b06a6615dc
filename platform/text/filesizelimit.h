#pragma once

// A write beyond the file size limit (a shell's "ulimit -f") raises SIGXFSZ, whose default action
// ends the process without a word, leaving the atomic writer's new file beside its target and the
// window's lists lost. Every program calls this first: the signal is then ignored and the write
// fails with EFBIG, which the writer reports and tidies up like any other write error.
void ReportFileSizeLimitAsWriteError();
