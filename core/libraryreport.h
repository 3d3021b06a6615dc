#pragma once

#include "spectrumlibrary.h"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

// The last library search ("Bibliothek durchsuchen"): the query's description, every entry the
// files of the list gave, the entries ranked against the query, and the files refused. It is
// kept until the next search, so that the match report can explain each hit.
//
// The report is tab-separated text, every row with the same thirteen cells under the header
// "Rang", "Datei", "Spektrum", "Name", "Güte", "Anteil Abfrage", "Anteil Eintrag",
// "Verschiebung", "Bande Abfrage", "Bande Eintrag", "Abstand", "Fehlende Bande", "Stärke".
// The first row after the header names the query ("Abfrage" under "Rang"). Each hit follows,
// best first, in rows that all carry its rank, file, spectrum number and name, so that a
// spreadsheet can filter them:
// - one row with the score (0..100), the shares of the query's and of the entry's bands that
//   the other shows (0..1) and the x offset of the entry against the query;
// - one row per band of the query in the range both cover: its position, the entry's band
//   matched to it and their distance (both empty when it found none), and its strength;
// - one row per strong band of the entry that the query lacks: its position under
//   "Fehlende Bande" and its strength.
// Strengths are relative to the spectrum's strongest band (0..1). Files refused follow last,
// "falsches Format" (with the reason where there is one) under "Rang".
class LibraryReport
{
public:
    // Starts a new search for the query; what an earlier one left is dropped.
    void Start(LibraryEntry query);
    void Add(LibraryEntry entry) { m_library.Add(std::move(entry)); }
    void AddRefused(const std::string &name, const std::string &reason);
    // Ranks the entries added against the query; entries with a score of 0 are not hits.
    void Rank();
    // Forgets the search (a search by peaks has been made since).
    void Clear();

    bool Active() const { return m_active; }
    std::size_t EntryCount() const { return m_library.Count(); }
    const std::vector<SpectrumLibrary::Hit> &Hits() const { return m_hits; }
    const LibraryEntry &Entry(std::size_t i) const { return m_library.Entry(i); }
    // The files of the hits, each once, at the place of its best entry.
    std::vector<std::pair<std::string, double>> HitFiles() const;

    // The whole report, each row ended by a line feed.
    std::string Text(char decimalSeparator) const;

private:
    bool m_active = false;
    LibraryEntry m_query;
    SpectrumLibrary m_library;
    std::vector<SpectrumLibrary::Hit> m_hits;
    std::vector<std::pair<std::string, std::string>> m_refused; // name, reason
};
