// Output naming cases: an input, the folder, the suffix and the path the
// engine gives the output. The window's preview must agree with every one.
.pragma library

var cases = [
    { tag: "wav takes the suffix", input: "/srv/audio/in/take1.wav", folder: "/srv/audio/out/", suffix: "_48k", expected: "/srv/audio/out/take1_48k.wav" },
    { tag: "WAV takes the suffix, lower-case ending", input: "/srv/audio/in/Room B.WAV", folder: "/srv/audio/out/", suffix: "_48k", expected: "/srv/audio/out/Room B_48k.wav" },
    { tag: "WAV without suffix unchanged", input: "/srv/audio/in/Room B.WAV", folder: "/srv/audio/out/", suffix: "", expected: "/srv/audio/out/Room B.WAV" },
    { tag: "wav without suffix unchanged", input: "/srv/audio/in/take1.wav", folder: "/srv/audio/out/", suffix: "", expected: "/srv/audio/out/take1.wav" },
    { tag: "mixed-case Wav", input: "/in/a.Wav", folder: "/srv/audio/out/", suffix: "_x", expected: "/srv/audio/out/a_x.wav" },
    { tag: "aiff becomes wav with suffix", input: "take2.aiff", folder: "/srv/audio/out/", suffix: "_48k", expected: "/srv/audio/out/take2_48k.wav" },
    { tag: "aiff becomes wav without suffix", input: "take2.aiff", folder: "/srv/audio/out/", suffix: "", expected: "/srv/audio/out/take2.wav" },
    { tag: "no extension", input: "/in/notes", folder: "/srv/audio/out/", suffix: "_48k", expected: "/srv/audio/out/notes_48k.wav" },
    { tag: "no extension, no suffix", input: "/in/notes", folder: "/srv/audio/out/", suffix: "", expected: "/srv/audio/out/notes.wav" },
    { tag: "only the last extension goes", input: "/in/live.2024.flac", folder: "/srv/audio/out/", suffix: "_m", expected: "/srv/audio/out/live.2024_m.wav" },
    { tag: "only the final .wav takes the suffix", input: "/in/a.wav.wav", folder: "/srv/audio/out/", suffix: "_s", expected: "/srv/audio/out/a.wav_s.wav" },
    { tag: ".wav in the middle of a name is not an ending", input: "/in/x.wav.flac", folder: "/srv/audio/out/", suffix: "_s", expected: "/srv/audio/out/x.wav_s.wav" },
    { tag: "dots in the input folder do not count", input: "/in/v1.2/track", folder: "/srv/audio/out/", suffix: "_s", expected: "/srv/audio/out/track_s.wav" },
    { tag: "folder without trailing slash", input: "/in/take1.wav", folder: "/srv/audio/out", suffix: "_48k", expected: "/srv/audio/out/take1_48k.wav" },
    { tag: "folder named x.wav/ untouched", input: "/in/take1.wav", folder: "/tmp/x.wav/", suffix: "_48k", expected: "/tmp/x.wav/take1_48k.wav" },
    { tag: "folder named x.WAV without slash untouched", input: "/in/take2.aiff", folder: "/tmp/x.WAV", suffix: "_48k", expected: "/tmp/x.WAV/take2_48k.wav" },
    { tag: "input without slash", input: "take1.wav", folder: "/srv/audio/out/", suffix: "_48k", expected: "/srv/audio/out/take1_48k.wav" },
    { tag: "input whose only slash comes first", input: "/take1.wav", folder: "/srv/audio/out/", suffix: "_48k", expected: "/srv/audio/out/take1_48k.wav" },
    { tag: "relative folder", input: "/in/a.ogg", folder: "out", suffix: "_x", expected: "out/a_x.wav" },
    { tag: "root folder", input: "/in/a.ogg", folder: "/", suffix: "", expected: "/a.wav" },
    { tag: "hidden .wav with suffix", input: "/in/.wav", folder: "/srv/audio/out/", suffix: "_48k", expected: "/srv/audio/out/_48k.wav" },
    { tag: "hidden .wav without suffix", input: "/in/.wav", folder: "/srv/audio/out/", suffix: "", expected: "/srv/audio/out/.wav" },
    { tag: "hidden .aiff keeps its dot", input: "/in/.aiff", folder: "/srv/audio/out/", suffix: "_48k", expected: "/srv/audio/out/.aiff_48k.wav" },
    { tag: "hidden name with an extension", input: "/in/.take.flac", folder: "/srv/audio/out/", suffix: "", expected: "/srv/audio/out/.take.wav" },
    { tag: "trailing dot", input: "/in/take.", folder: "/srv/audio/out/", suffix: "_s", expected: "/srv/audio/out/take_s.wav" }
];
