#pragma once

#include "GameFixtures.h"
#include <datawriter/TextSetWriter.h>
#include <io/ThrownMessage.h>
#include <lang/Exception.h>
#include <soundgen/SoundGenerator.h>
#include <string>

namespace gametest
{

/** A chunked text group set file. */
inline std::string textSetFile(datawriter::TextSet const& set)
{
	datawriter::DataWriter w;
	datawriter::writeTextSet(w, set);
	return w.bytes();
}

/**
 * The bundle folder "data" of the resource tests: sheets s1 (sprites
 * "star" 10 x 10 pivot 5, 5 and "one" 40 x 20 pivot 10, 4) and s2 ("star"
 * 20 x 20, "two"), the same base name in two folders (a/same.dat with "fromA",
 * b/same.dat with "fromB"), composites "pair" (one at -10, 0 and star at
 * 10, 3), a font "font" (glyphs A and B), the text set TEXTS (en_EN, de_DE)
 * and a sine as "tone.wav" and "tone.mp3".
 */
inline void writeResourceFiles(Bundle const& b)
{
	b.write("data/img/s1.png", "");
	b.write("data/img/s2.png", "");
	b.write("data/img/f.png", "");
	b.write("data/img/s1.dat", sheetFile("s1.png", {{"star", 0, 0, 10, 10, 5, 5}, {"one", 10, 0, 40, 20, 10, 4}}));
	b.write("data/img/s2.dat", sheetFile("s2.png", {{"star", 0, 0, 20, 20, 10, 10}, {"two", 20, 0, 8, 8, 0, 0}}));
	b.write("data/a/same.dat", sheetFile("../img/s1.png", {{"fromA", 0, 0, 4, 4, 0, 0}}));
	b.write("data/b/same.dat", sheetFile("../img/s2.png", {{"fromB", 0, 0, 6, 6, 0, 0}}));
	b.write("data/img/f.dat", fontFile("f.png", 3, 1, {{65, 0, 0, 7, 14, 10}, {66, 8, 0, 8, 13, 12}}));
	datawriter::DataWriter comp;
	comp.beginFile();
	comp.beginChunk("COMP").writeShort(1).writeShort(1);
	comp.writeUTF("pair").writeShort(2).writeUTF("one").writeShort(-10).writeShort(0).writeUTF("star").writeShort(10).writeShort(3);
	comp.endChunk();
	b.write("data/img/c.dat", comp.endFile().bytes());
	b.write("data/loc/TEXTS.dat", textSetFile({{"en_EN", "de_DE"}, {"HELLO", "AB"}, {{"Hello", "AB"}, {"Hallo", "BA"}}}));
	soundgen::Bytes const pcm = soundgen::sine(1, 16, 22050, 4410, 440, 0.5);
	soundgen::Bytes const wav = soundgen::wav(pcm, 1, 16, 22050);
	soundgen::Bytes const mp3 = soundgen::mp3(pcm, 1, 22050, 64);
	b.write("data/snd/tone.wav", std::string(wav.begin(), wav.end()));
	b.write("data/snd/tone.mp3", std::string(mp3.begin(), mp3.end()));
}

} // namespace gametest
