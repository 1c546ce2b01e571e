#pragma once
// The record of a save (kSaveRecordName), on the disk before either paper
// file is replaced: its bytes here; what it tells of a folder afterwards,
// find_interrupted_save and interrupted_save_error, in paper_storage.h.

#include "paper/paper_storage.h"

#include <QByteArray>
#include <QString>
#include <optional>

QString save_record_path(const QString &folder);

// What a save is about to do: which temporary file becomes which paper file,
// and how long each is.
QByteArray save_record(const QString (&temporaries)[2], const PaperFileWrite *const (&targets)[2]);

// Before a waiting temporary is put in place: a regular file of the recorded
// size that can be read, or the refusal naming what it is instead.
std::optional<PaperError> unfit_temporary_error(const InterruptedSave &save);
