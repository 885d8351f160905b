#pragma once

#include <QString>

// Writes synthetic catalogues for the benchmarks: games with realistic names and
// Windows-like paths, in nested categories, as UTF-16LE list files the way the
// program writes them.
struct GeneratedCatalogue
{
    QString rootFile; // the root list file, "<directory>/Kelvaro.ini"
    int games = 0;
    int categories = 0;
    int listFiles = 0;
    qint64 bytes = 0; // total size of the list files
};

// Writes a catalogue of `games` games into `directory`: the root list holds a few
// games and top-level categories; each top-level category holds sub-categories of
// `gamesPerCategory` games each (two levels). Category list files are named
// relatively, beside the root list, so reader and writers find the same files.
// Raises std::runtime_error when a file cannot be written.
GeneratedCatalogue GenerateCatalogue(const QString &directory, int games,
                                     int gamesPerCategory = 200);
