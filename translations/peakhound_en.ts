<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="de">
<context>
    <name>FileTypes</name>
    <message>
        <source>Textdateien</source>
        <translation>Text files</translation>
    </message>
    <message>
        <source>Alle Dateien</source>
        <translation>All files</translation>
    </message>
    <message>
        <source>Spektrendateien</source>
        <translation>Spectrum files</translation>
    </message>
    <message>
        <source>Tabulatorgetrennte Texte</source>
        <translation>Tab-separated text</translation>
    </message>
    <message>
        <source>Bitmaps</source>
        <translation>Bitmaps</translation>
    </message>
    <message>
        <source>Metadateien</source>
        <translation>Metafiles</translation>
    </message>
    <message>
        <source>PNG-Bild</source>
        <translation>PNG image</translation>
    </message>
    <message>
        <source>SVG-Grafik</source>
        <translation>SVG drawing</translation>
    </message>
    <message>
        <source>PDF-Dokument</source>
        <translation>PDF document</translation>
    </message>
</context>
<context>
    <name>HitMap</name>
    <message>
        <source>Abstand [%1]</source>
        <translation>Distance [%1]</translation>
    </message>
    <message>
        <source>Güte</source>
        <translation>Score</translation>
    </message>
</context>
<context>
    <name>Messages</name>
    <message>
        <source>falsches Format</source>
        <translation>wrong format</translation>
    </message>
    <message>
        <source>Positionen beschädigt</source>
        <translation>positions damaged</translation>
    </message>
    <message>
        <source>Unbekannter Fehler</source>
        <translation>Unknown error</translation>
    </message>
    <message>
        <source>Ein-/Ausgabefehler des Datenträgers</source>
        <translation>input/output error of the disk</translation>
    </message>
    <message>
        <source>Grenze der Dateigröße überschritten</source>
        <translation>file size limit exceeded</translation>
    </message>
    <message>
        <source>kein Platz mehr auf dem Datenträger</source>
        <translation>no space left on the disk</translation>
    </message>
    <message>
        <source>Datenträger schreibgeschützt</source>
        <translation>disk is read-only</translation>
    </message>
    <message>
        <source>Speicherkontingent des Benutzers erschöpft</source>
        <translation>user&apos;s disk quota exhausted</translation>
    </message>
    <message>
        <source>Datei wird von einem anderen Programm benutzt</source>
        <translation>file is in use by another program</translation>
    </message>
    <message>
        <source>zu wenig Arbeitsspeicher</source>
        <translation>out of memory</translation>
    </message>
    <message>
        <source>Gerät nicht erreichbar</source>
        <translation>device not reachable</translation>
    </message>
    <message>
        <source>Datei nicht gefunden</source>
        <translation>File not found</translation>
    </message>
    <message>
        <source>Datei nicht gefunden (%s)</source>
        <translation>File not found (%s)</translation>
    </message>
    <message>
        <source>Ungültiger Dateiname</source>
        <translation>Invalid file name</translation>
    </message>
    <message>
        <source>Zu viele geöffnete Dateien</source>
        <translation>Too many open files</translation>
    </message>
    <message>
        <source>Dateizugriff verweigert</source>
        <translation>File access denied</translation>
    </message>
    <message>
        <source>E/A-Fehler %d</source>
        <translation>I/O error %d</translation>
    </message>
    <message>
        <source>&apos;%s&apos; ist kein gültiger Gleitkommawert</source>
        <translation>&apos;%s&apos; is not a valid number</translation>
    </message>
    <message>
        <source>&apos;%s&apos; ist kein gültiger Integerwert</source>
        <translation>&apos;%s&apos; is not a valid whole number</translation>
    </message>
    <message>
        <source>Gleitkommaüberlauf</source>
        <translation>Floating-point overflow</translation>
    </message>
    <message>
        <source>Gleitkommadivision durch Null</source>
        <translation>Floating-point division by zero</translation>
    </message>
    <message>
        <source>Zu wenig Arbeitsspeicher</source>
        <translation>Out of memory</translation>
    </message>
    <message>
        <source>Schreibfehler: %s</source>
        <translation>Write error: %s</translation>
    </message>
    <message>
        <source>Der Index der Liste überschreitet das Maximum (%d)</source>
        <translation>List index beyond the maximum (%d)</translation>
    </message>
    <message>
        <source>Die Nummer des Spektrums muss zwischen 0 und %d liegen.</source>
        <translation>The spectrum number must lie between 0 and %d.</translation>
    </message>
    <message>
        <source>Es wird kein Spektrum angezeigt.</source>
        <translation>No spectrum is shown.</translation>
    </message>
    <message>
        <source>Es können höchstens %d Spektren zusammen angezeigt werden.</source>
        <translation>At most %d spectra can be shown together.</translation>
    </message>
    <message>
        <source>beschädigt</source>
        <translation>damaged</translation>
    </message>
    <message>
        <source>beschädigt oder nicht lesbar (%s)</source>
        <translation>damaged or unreadable (%s)</translation>
    </message>
    <message>
        <source>nicht unterstützt (%s)</source>
        <translation>not supported (%s)</translation>
    </message>
    <message>
        <source>Folgende Daten hatten nicht das richtige Format und wurden ignoriert:</source>
        <translation>The following files were not in the right format and were skipped:</translation>
    </message>
    <message>
        <source>Der Minimalwert einer Achse muß &lt;= Maximum sein</source>
        <translation>An axis minimum must be &lt;= its maximum</translation>
    </message>
    <message>
        <source>Der Maximalwert einer Achse muß &gt;= Minimum sein</source>
        <translation>An axis maximum must be &gt;= its minimum</translation>
    </message>
    <message>
        <source>Die Achsensteigung muß &gt;= 0 sein</source>
        <translation>An axis increment must be &gt;= 0</translation>
    </message>
    <message>
        <source>Titelseparation % muß größer als 0 sein</source>
        <translation>Label separation % must be greater than 0</translation>
    </message>
    <message>
        <source>Der Prozentsatz für 3D-Effekte muß zwischen %d und %d liegen</source>
        <translation>The 3D percentage must be between %d and %d</translation>
    </message>
    <message>
        <source>Datei %s kann nicht erstellt werden</source>
        <translation>Cannot create file %s</translation>
    </message>
    <message>
        <source>mehr als %d MB</source>
        <translation>more than %d MB</translation>
    </message>
    <message>
        <source>Zeile %d</source>
        <translation>line %d</translation>
    </message>
    <message>
        <source>zu viele Felder</source>
        <translation>too many fields</translation>
    </message>
    <message>
        <source>keine Zeile der x-Werte</source>
        <translation>no row of x values</translation>
    </message>
    <message>
        <source>keine Zahl</source>
        <translation>not a number</translation>
    </message>
    <message>
        <source>nicht so viele Felder wie die x-Zeile</source>
        <translation>not as many fields as the x row</translation>
    </message>
    <message>
        <source>keine Spektren</source>
        <translation>no spectra</translation>
    </message>
    <message>
        <source>keine Werte</source>
        <translation>no values</translation>
    </message>
    <message>
        <source>Teilspektrum %d</source>
        <translation>subspectrum %d</translation>
    </message>
    <message>
        <source>Protokollblock außerhalb der Datei</source>
        <translation>log block outside the file</translation>
    </message>
    <message>
        <source>%d Teilspektren enden nach dem Dateiende</source>
        <translation>%d subspectra run past the end of the file</translation>
    </message>
    <message>
        <source>Punktzahl passt nicht zum Dateikopf</source>
        <translation>point count does not agree with the file header</translation>
    </message>
    <message>
        <source>Gleitkommawerte in 16 Bit</source>
        <translation>floating-point values in 16 bits</translation>
    </message>
    <message>
        <source>Verzeichnis der Teilspektren endet nach dem Dateiende</source>
        <translation>directory of subspectra runs past the end of the file</translation>
    </message>
    <message>
        <source>Verzeichnis zeigt woanders hin</source>
        <translation>directory points elsewhere</translation>
    </message>
    <message>
        <source>Teilspektrum %d endet nach dem Dateiende</source>
        <translation>subspectrum %d runs past the end of the file</translation>
    </message>
    <message>
        <source>keine Punkte</source>
        <translation>no points</translation>
    </message>
    <message>
        <source>Dateikopf unvollständig</source>
        <translation>file header incomplete</translation>
    </message>
    <message>
        <source>SPC in altem Format</source>
        <translation>SPC in the old format</translation>
    </message>
    <message>
        <source>Dateikopf widersprüchlich</source>
        <translation>file header contradicts itself</translation>
    </message>
    <message>
        <source>Blockkopf bei Byte %d unvollständig</source>
        <translation>block header at byte %d incomplete</translation>
    </message>
    <message>
        <source>kein Block bei Byte %d</source>
        <translation>no block at byte %d</translation>
    </message>
    <message>
        <source>Block %s endet nach dem Dateiende</source>
        <translation>block %s runs past the end of the file</translation>
    </message>
    <message>
        <source>Block DATA fehlt</source>
        <translation>block DATA missing</translation>
    </message>
    <message>
        <source>Block XLST fehlt</source>
        <translation>block XLST missing</translation>
    </message>
    <message>
        <source>mehr Spektren als Platz im Block DATA</source>
        <translation>more spectra than room in block DATA</translation>
    </message>
    <message>
        <source>Block XLST passt nicht zur Punktzahl</source>
        <translation>block XLST does not agree with the point count</translation>
    </message>
    <message>
        <source>Block DATA passt nicht zur Zahl der Spektren</source>
        <translation>block DATA does not agree with the number of spectra</translation>
    </message>
    <message>
        <source>WiRE-Text mit diesen Spalten</source>
        <translation>WiRE text with these columns</translation>
    </message>
    <message>
        <source>nicht %d Zahlen</source>
        <translation>not %d numbers</translation>
    </message>
    <message>
        <source>Position ohne alle Wellenzahlen</source>
        <translation>position without every Raman shift</translation>
    </message>
    <message>
        <source>Position kommt zweimal vor</source>
        <translation>position occurs twice</translation>
    </message>
    <message>
        <source>andere Wellenzahlen als an der ersten Position</source>
        <translation>Raman shifts differ from the first position&apos;s</translation>
    </message>
    <message>
        <source>Spektrum %d ohne Position</source>
        <translation>spectrum %d without a position</translation>
    </message>
    <message>
        <source>Spektrum %d und %d an derselben Stelle</source>
        <translation>spectra %d and %d at the same place</translation>
    </message>
    <message>
        <source>keine Tabelle der Karte</source>
        <translation>not a map table</translation>
    </message>
    <message>
        <source>keine Zelle der Karte</source>
        <translation>not a map cell</translation>
    </message>
    <message>
        <source>Spektrum ohne Werte</source>
        <translation>spectrum without values</translation>
    </message>
    <message>
        <source>Werte außerhalb des Zahlbereichs</source>
        <translation>values out of range</translation>
    </message>
    <message>
        <source>%d Spektren</source>
        <translation>%d spectra</translation>
    </message>
    <message>
        <source>mit &apos;Jedes Spektrum&apos; durchsuchen</source>
        <translation>search with &apos;Every spectrum&apos;</translation>
    </message>
    <message>
        <source>%d Punkte</source>
        <translation>%d points</translation>
    </message>
    <message>
        <source>mehr als %d</source>
        <translation>more than %d</translation>
    </message>
    <message>
        <source>zu groß</source>
        <translation>too large</translation>
    </message>
    <message>
        <source>keine Zellen</source>
        <translation>no cells</translation>
    </message>
    <message>
        <source>Bild nicht geschrieben</source>
        <translation>picture not written</translation>
    </message>
    <message>
        <source>peakhound-hitmap nicht ausführbar</source>
        <translation>peakhound-hitmap cannot be run</translation>
    </message>
    <message>
        <source>nicht geschrieben</source>
        <translation>not written</translation>
    </message>
</context>
<context>
    <name>TChart</name>
    <message>
        <source>+ %1 weitere</source>
        <translation>+ %1 more</translation>
    </message>
    <message>
        <source>Intensität (versetzt)</source>
        <translation>Intensity (offset)</translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message>
        <source>Das Hauptfenster.</source>
        <translation>The main window.</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>Dateien zur Liste zufügen</source>
        <translation>Add files to the list</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>Angewählten Eintrag aus Liste entfernen</source>
        <translation>Remove the selected entry from the list</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Gesamte Liste löschen.</source>
        <translation>Clear the whole list.</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>Files</translation>
    </message>
    <message>
        <source>Liste der zu durchsuchenen Files.</source>
        <translation>The files to search.</translation>
    </message>
    <message>
        <source>Peaks [1/cm]</source>
        <translation>Peaks [1/cm]</translation>
    </message>
    <message>
        <source>Zufügen eines Peaks</source>
        <translation>Add a peak</translation>
    </message>
    <message>
        <source>Liste der Peaks nach denen die Files getestet werden sollen.</source>
        <translation>The peaks the files are searched for.</translation>
    </message>
    <message>
        <source>Entfernen des angewählten Peaks aus der Liste</source>
        <translation>Remove the selected peak from the list</translation>
    </message>
    <message>
        <source>Löschen der gesamten Peakliste.</source>
        <translation>Clear the whole peak list.</translation>
    </message>
    <message>
        <source>Load</source>
        <translation>Load</translation>
    </message>
    <message>
        <source>Laden eines Peak-Text-File.</source>
        <translation>Load a peak text file.</translation>
    </message>
    <message>
        <source>Laden der Rhodamin 6G Peakdaten.</source>
        <translation>Load the peaks of rhodamine 6G.</translation>
    </message>
    <message>
        <source>Maximale Abweichung</source>
        <translation>Tolerance</translation>
    </message>
    <message>
        <source>in 1/cm</source>
        <translation>in 1/cm</translation>
    </message>
    <message>
        <source>Maximale erlaubte Abweichung der Einzelnen Peaks vom angegeben Wert in 1/cm</source>
        <translation>Largest allowed distance of each peak from the given Raman shift, in 1/cm</translation>
    </message>
    <message>
        <source>Maximal fehlende Peaks</source>
        <translation>Missing peaks at most</translation>
    </message>
    <message>
        <source>Maximal fehlende bzw. anwesende Peaks.</source>
        <translation>Largest number of missing (or, inverse, present) peaks.</translation>
    </message>
    <message>
        <source>Start !</source>
        <translation>Start !</translation>
    </message>
    <message>
        <source>Start der Suche.</source>
        <translation>Start the search.</translation>
    </message>
    <message>
        <source>Erklärung steht daneben.</source>
        <translation>Explained beside it.</translation>
    </message>
    <message>
        <source>Normale Auswahl</source>
        <translation>Normal selection</translation>
    </message>
    <message>
        <source>Es werden die Spektren ausgewählt,</source>
        <translation>Selects the spectra</translation>
    </message>
    <message>
        <source>die die angegebenen Peaks enthalten</source>
        <translation>that show the given peaks</translation>
    </message>
    <message>
        <source>Ergebnisliste komplett nach  oben kopieren.</source>
        <translation>Copy the whole result list up.</translation>
    </message>
    <message>
        <source>Ergebnis:</source>
        <translation>Result:</translation>
    </message>
    <message>
        <source>Liste der gefunden Files.</source>
        <translation>The files found.</translation>
    </message>
    <message>
        <source>Fortschrittsanzeige.</source>
        <translation>Progress.</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Inverse Auswahl</source>
        <translation>Inverse selection</translation>
    </message>
    <message>
        <source>die nicht die angegebenen Peaks enthalten</source>
        <translation>that do not show the given peaks</translation>
    </message>
    <message>
        <source>Maximal vorhandene Peaks</source>
        <translation>Present peaks at most</translation>
    </message>
    <message>
        <source>Working......</source>
        <translation>Working......</translation>
    </message>
    <message>
        <source>Fehler !!!!</source>
        <translation>Error !!!!</translation>
    </message>
    <message>
        <source>Folgende Daten hatten nicht das richtige Format und wurden ignoriert: </source>
        <translation>The following files were not in the right format and were skipped: </translation>
    </message>
    <message>
        <source>Ready !</source>
        <translation>Ready !</translation>
    </message>
    <message>
        <source>Fortschrittsanzeige</source>
        <translation>Progress</translation>
    </message>
    <message>
        <source>Bericht kopieren</source>
        <translation>Copy report</translation>
    </message>
    <message>
        <source>Bericht speichern...</source>
        <translation>Save report...</translation>
    </message>
    <message>
        <source>Peakregel</source>
        <translation>Peak rule</translation>
    </message>
    <message>
        <source>Standard</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>Empfindlich</source>
        <translation>Sensitive</translation>
    </message>
    <message>
        <source>Standard: Peaks über 10 % des Maximums. Empfindlich: Peaks deutlich über dem Rauschen, ohne Spikes.</source>
        <translation>Standard: peaks above 10 % of the maximum. Sensitive: peaks clearly above the noise, spikes left out.</translation>
    </message>
    <message>
        <source>ab x [1/cm]</source>
        <translation>from x [1/cm]</translation>
    </message>
    <message>
        <source>Die empfindliche Regel sucht erst ab diesem x (Laserlinie und Filterkante bleiben draussen).</source>
        <translation>The sensitive rule looks for peaks from this Raman shift on (laser line and filter edge stay out).</translation>
    </message>
    <message>
        <source>Die gefundenen Files nach der Güte der Übereinstimmung ordnen.</source>
        <translation>Order the files found by how well they match.</translation>
    </message>
    <message>
        <source>nach Güte sortieren</source>
        <translation>sort by score</translation>
    </message>
    <message>
        <source>Jedes Spektrum einer Datei prüfen (Serien, Linienscans, Karten); eine Datei wird ausgewählt, wenn eines ihrer Spektren passt.</source>
        <translation>Test every spectrum of a file (series, line scans, maps); a file is selected when one of its spectra matches.</translation>
    </message>
    <message>
        <source>Jedes Spektrum</source>
        <translation>Every spectrum</translation>
    </message>
    <message>
        <source>Die Peakregel der letzten Suche.</source>
        <translation>The peak rule of the last search.</translation>
    </message>
    <message>
        <source>Regel: Empfindlich ab %1 1/cm</source>
        <translation>Rule: sensitive from %1 1/cm</translation>
    </message>
    <message>
        <source>Regel: Standard</source>
        <translation>Rule: standard</translation>
    </message>
    <message>
        <source>, nach Güte</source>
        <translation>, by score</translation>
    </message>
    <message>
        <source>Abgebrochen</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>1 Eintrag geprüft</source>
        <translation>1 entry compared</translation>
    </message>
    <message>
        <source>%1 Einträge geprüft</source>
        <translation>%1 entries compared</translation>
    </message>
    <message>
        <source>Wie viele Files die letzte Suche ausgewählt hat.</source>
        <translation>How many files the last search selected.</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Die laufende Suche anhalten (auch mit Esc); die bisher gefundenen Files bleiben in der Liste.</source>
        <translation>Stop the running search (Esc does too); the files found so far stay in the list.</translation>
    </message>
    <message>
        <source>Güte %1</source>
        <translation>Score %1</translation>
    </message>
    <message>
        <source>Abgebrochen nach %1 von %2 Files: %3 ausgewählt</source>
        <translation>Stopped after %1 of %2 files: %3 selected</translation>
    </message>
    <message>
        <source>%1 von %2 Files ausgewählt</source>
        <translation>%1 of %2 files selected</translation>
    </message>
    <message>
        <source>, %1 abgelehnt</source>
        <translation>, %1 refused</translation>
    </message>
</context>
<context>
    <name>TForm2</name>
    <message>
        <source>Spektrum %1</source>
        <translation>Spectrum %1</translation>
    </message>
    <message>
        <source> - die ersten %1 von %2 Spektren</source>
        <translation> - the first %1 of %2 spectra</translation>
    </message>
    <message>
        <source>Display</source>
        <translation>Display</translation>
    </message>
    <message>
        <source>Bild kopieren</source>
        <translation>Copy picture</translation>
    </message>
</context>
<context>
    <name>TForm3</name>
    <message>
        <source>Display Preferences</source>
        <translation>Display</translation>
    </message>
    <message>
        <source>Abstand der Spektren</source>
        <translation>Spectrum spacing</translation>
    </message>
    <message>
        <source>in Prozent des Maximalwertes</source>
        <translation>in % of the maximum</translation>
    </message>
    <message>
        <source>Bei mehreren Spektren gibt dieser Wert den Abstand der einzelnen Spektren an.</source>
        <translation>The offset between stacked spectra.</translation>
    </message>
    <message>
        <source>Titel in der Grafik mit anzeigen. Wenn mehrere Dateien angezeigt werden nicht sinnvoll.</source>
        <translation>Show the title in the chart. Of little use when several files are shown.</translation>
    </message>
    <message>
        <source>Titel anzeigen</source>
        <translation>Show title</translation>
    </message>
    <message>
        <source>Fadenkreuz anzeigen</source>
        <translation>Show crosshair</translation>
    </message>
    <message>
        <source>Jedes Spektrum in eigener Farbe, auch für Farbfehlsichtige und im Graudruck unterscheidbar.</source>
        <translation>Each spectrum in a colour of its own, told apart also by colour-blind readers and in greyscale print.</translation>
    </message>
    <message>
        <source>Farben</source>
        <translation>Colours</translation>
    </message>
    <message>
        <source>Legende mit dem Namen jedes Spektrums in der Grafik anzeigen.</source>
        <translation>Show a legend with the name of each spectrum in the chart.</translation>
    </message>
    <message>
        <source>Legende</source>
        <translation>Legend</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>Entfernt das ausgewählte Spektrum aus der Ansicht.</source>
        <translation>Removes the selected spectrum from the display.</translation>
    </message>
    <message>
        <source>Spektrum</source>
        <translation>Spectrum</translation>
    </message>
    <message>
        <source>Nummer des angeklickten Spektrums.</source>
        <translation>Number of the spectrum clicked.</translation>
    </message>
    <message>
        <source>excl. Remove</source>
        <translation>Keep only</translation>
    </message>
    <message>
        <source>Entfernt alle ausser das ausgewählte Spektrum aus der Ansicht.</source>
        <translation>Removes all spectra but the selected one from the display.</translation>
    </message>
    <message>
        <source>Reload</source>
        <translation>Reload</translation>
    </message>
    <message>
        <source>Finde Peaks</source>
        <translation>Find peaks</translation>
    </message>
    <message>
        <source>Daten ändern</source>
        <translation>Change data</translation>
    </message>
    <message>
        <source>Angezeigte Spektren hinzufügen, entfernen oder ordnen.</source>
        <translation>Add, remove or order the spectra shown.</translation>
    </message>
    <message>
        <source>Buttons zum scrollen durch die Spektren.</source>
        <translation>Buttons to step through the spectra.</translation>
    </message>
    <message>
        <source>Last</source>
        <translation>Last</translation>
    </message>
    <message>
        <source>Vorheriges Spektrum in  der Liste.</source>
        <translation>Previous spectrum in the list.</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>Nächstes Spektrum in der Liste.</source>
        <translation>Next spectrum in the list.</translation>
    </message>
    <message>
        <source>Save Picture</source>
        <translation>Save Picture</translation>
    </message>
    <message>
        <source>Specihere aktuelles Bild inder aktuellen Grösse als BMP ode WMF.</source>
        <translation>Save the picture as shown, in its present size.</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Schliesse die Displayansicht.</source>
        <translation>Close the display.</translation>
    </message>
    <message>
        <source>Ende der Liste</source>
        <translation>End of the list</translation>
    </message>
    <message>
        <source>Anfang der Liste</source>
        <translation>Start of the list</translation>
    </message>
    <message>
        <source>File gespeichert</source>
        <translation>File saved</translation>
    </message>
    <message>
        <source>Bibliothek durchsuchen</source>
        <translation>Identify in library</translation>
    </message>
    <message>
        <source>Vergleicht das ausgewählte (sonst das oberste) Spektrum mit allen Files der Liste; die ähnlichsten stehen zuerst im Ergebnis.</source>
        <translation>Compares the selected spectrum (else the top one) with every file of the list; the most similar come first in the results.</translation>
    </message>
</context>
<context>
    <name>TForm4</name>
    <message>
        <source>Change Visible Data</source>
        <translation>Change Visible Data</translation>
    </message>
    <message>
        <source>Verfügbare Datensätze</source>
        <translation>Available data sets</translation>
    </message>
    <message>
        <source>Alle Datensätze aus der Originalliste.</source>
        <translation>All data sets of the original list.</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>Lösche einen angewählten Eintrag aus der Liste der anzuzeigenden Daten.</source>
        <translation>Remove the selected entry from the data to show.</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Lösche Liste der anzuzeigenden Daten.</source>
        <translation>Clear the data to show.</translation>
    </message>
    <message>
        <source>Übertrage die angewählten Files in die Liste der anzuzeigenden Files.</source>
        <translation>Move the selected files to the files to show.</translation>
    </message>
    <message>
        <source>Angezeigte Datensätze</source>
        <translation>Data sets shown</translation>
    </message>
    <message>
        <source>Zur Zeit angezeigte Datensätze.</source>
        <translation>The data sets shown now.</translation>
    </message>
    <message>
        <source>Verschiebe angewählten Datensatz ganz nach oben.</source>
        <translation>Move the selected data set to the top.</translation>
    </message>
    <message>
        <source>Verschiebung des angewählten Datensatzes eins nach oben.</source>
        <translation>Move the selected data set up one place.</translation>
    </message>
    <message>
        <source>Verschiebung des angewählten Datensatzes eins nach unten.</source>
        <translation>Move the selected data set down one place.</translation>
    </message>
    <message>
        <source>Verschiebe angewählten Datensatz ganz nach unten.</source>
        <translation>Move the selected data set to the bottom.</translation>
    </message>
</context>
<context>
    <name>TMapView</name>
    <message>
        <source>Karte - </source>
        <translation>Map - </translation>
    </message>
    <message>
        <source>Karte</source>
        <translation>Map</translation>
    </message>
    <message>
        <source>Karte aktualisieren</source>
        <translation>Refresh map</translation>
    </message>
    <message>
        <source>Die Karte mit den Peaks und Einstellungen des Hauptfensters neu färben.</source>
        <translation>Colour the map again with the main window&apos;s peaks and settings.</translation>
    </message>
    <message>
        <source>Karte speichern...</source>
        <translation>Save map...</translation>
    </message>
    <message>
        <source>Die Karte als PNG, SVG oder PDF speichern, oder jede Zelle als Tabelle.</source>
        <translation>Save the map as PNG, SVG or PDF, or every cell as a table.</translation>
    </message>
    <message>
        <source>Fortschritt beim Lesen der Karte.</source>
        <translation>Progress of reading the map.</translation>
    </message>
    <message>
        <source>Karte </source>
        <translation>Map </translation>
    </message>
    <message>
        <source>Fortschritt</source>
        <translation>Progress</translation>
    </message>
    <message>
        <source>Lese...</source>
        <translation>Reading...</translation>
    </message>
    <message>
        <source>%1 Spektren von %2</source>
        <translation>%1 of %2 spectra</translation>
    </message>
    <message>
        <source>%1 Spektren</source>
        <translation>%1 spectra</translation>
    </message>
    <message>
        <source>Fehler</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Spektrum </source>
        <translation>Spectrum </translation>
    </message>
    <message>
        <source>, ausgewählt</source>
        <translation>, selected</translation>
    </message>
    <message>
        <source>, nicht ausgewählt</source>
        <translation>, not selected</translation>
    </message>
    <message>
        <source>, fehlend: </source>
        <translation>, missing: </translation>
    </message>
    <message>
        <source>, Güte: </source>
        <translation>, score: </translation>
    </message>
    <message>
        <source> - Spektrum </source>
        <translation> - spectrum </translation>
    </message>
    <message>
        <source>File gespeichert</source>
        <translation>File saved</translation>
    </message>
</context>
<context>
    <name>TPeakanzeige</name>
    <message>
        <source>Peakanzeige</source>
        <translation>Peaks</translation>
    </message>
    <message>
        <source>Schliesse</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Prominenz</source>
        <translation>Prominence</translation>
    </message>
    <message>
        <source>Höhe jedes Peaks über dem höheren der beiden Minima neben ihm.</source>
        <translation>Height of each peak above the higher of the two minima beside it.</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>Position</translation>
    </message>
</context>
<context>
    <name>TSavePictureDialog</name>
    <message>
        <source>wie angezeigt</source>
        <translation>as shown</translation>
    </message>
    <message>
        <source>Bild&amp;breite (Pixel):</source>
        <translation>Picture &amp;width (pixels):</translation>
    </message>
    <message>
        <source>Bild&amp;höhe (Pixel):</source>
        <translation>Picture &amp;height (pixels):</translation>
    </message>
    <message>
        <source>Auflösung (dpi, PNG):</source>
        <translation>Resolution (dpi, PNG):</translation>
    </message>
    <message>
        <source>keine</source>
        <translation>none</translation>
    </message>
    <message>
        <source>&amp;Schriftgröße (pt):</source>
        <translation>&amp;Text size (pt):</translation>
    </message>
</context>
</TS>
