#pragma once
// For the tests, benchmarks and fuzz targets: reading a pair straight into
// the model, as Open does once it has the bytes of both files.

#include "paper/paper_reader.h"

// Tells the pair's encoding, reads it and adopts it with that encoding, only
// if both files parse and every text decodes without loss; on failure the
// model is left exactly as it was.
inline bool read_paper(const QByteArray &problem, const QByteArray &answer, PaperError *error)
{
    PaperData paper;
    if (!read_paper_data(problem, answer, paper, error))
        return false;
    adopt_paper_data(paper);
    return true;
}
