#!/bin/sh
# One model of a job array: runs telm --survey and korvis --survey in the
# folder given (made by telmkorvis.prepare_folders), with the options of its
# telm-args and korvis-args files. The programs come from TELMKORVIS_BIN or
# PATH. The console text goes to run.log in the folder; the exit status is the first
# failing program's.
set -e
folder=$1
[ -n "$folder" ] || { echo "usage: run_folder.sh FOLDER" >&2; exit 2; }
bin=${TELMKORVIS_BIN:+$TELMKORVIS_BIN/}
cd "$folder"
args=$(cat korvis-args 2>/dev/null || true)
telm_args=$(cat telm-args 2>/dev/null || true)
# shellcheck disable=SC2086
"${bin}telm" --survey survey.dat $telm_args > run.log
# shellcheck disable=SC2086
"${bin}korvis" --survey survey.dat $args >> run.log
