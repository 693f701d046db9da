#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Acts out a crash: ends by a signal, having printed nothing that looks like an error.
printf 'Input #0, matroska,webm, from movie.mkv:\n'
kill -SEGV $$
