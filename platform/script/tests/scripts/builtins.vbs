' Escape, Unescape, RGB, the locale and the engine's version.
AssertEqual Escape("Hello World!"), "Hello%20World%21", "Escape of blanks and signs"
AssertEqual Escape("AZaz09@*_+-./"), "AZaz09@*_+-./", "what Escape leaves as it is"
AssertEqual Escape("a=b&c"), "a%3Db%26c", "Escape of = and &"
AssertEqual Escape(Chr(233)), "%E9", "a Latin-1 letter as %XX"
AssertEqual Escape(Chr(128)), "%u20AC", "the euro sign by its Unicode number"
AssertEqual Escape(""), "", "Escape of nothing"
AssertTrue IsNull(Escape(Null)), "Escape of Null"
AssertEqual Unescape("Hello%20World%21"), "Hello World!", "Unescape"
AssertEqual Unescape("%41%62"), "Ab", "Unescape of %XX"
AssertEqual Unescape("%u20AC"), Chr(128), "Unescape of %uXXXX"
AssertEqual Unescape("%u00e9"), Chr(233), "lower-case digits"
AssertEqual Unescape("100%"), "100%", "a lone % stays"
AssertEqual Unescape("%zz%4"), "%zz%4", "incomplete escapes stay"
AssertEqual Unescape(Escape("x y" & Chr(128) & Chr(255))), "x y" & Chr(128) & Chr(255), "Unescape undoes Escape"

AssertEqual RGB(255, 0, 0), 255, "RGB red"
AssertEqual RGB(0, 255, 0), 65280, "RGB green"
AssertEqual RGB(0, 0, 255), 16711680, "RGB blue"
AssertEqual RGB(1, 2, 3), 197121, "RGB mixed"
AssertEqual TypeName(RGB(1, 2, 3)), "Long", "RGB gives a Long"
AssertEqual RGB(300, 0, 1000), 16711935, "values above 255 count as 255"
On Error Resume Next
Dim c : c = RGB(-1, 0, 0)
AssertEqual Err.Number, 5, "a negative part"
Err.Clear
On Error GoTo 0

AssertEqual GetLocale(), 1033, "the default locale"
AssertEqual TypeName(GetLocale), "Long", "GetLocale gives a Long"
AssertEqual SetLocale(2057), 1033, "SetLocale answers the previous locale"
AssertEqual GetLocale, 2057, "the new locale"
AssertEqual SetLocale("de-de"), 2057, "a locale by its short name"
AssertEqual GetLocale, 1031, "de-de"
AssertEqual SetLocale("1043"), 1031, "a locale number as text"
AssertEqual GetLocale, 1043, "1043"
On Error Resume Next
Dim old : old = SetLocale("xx-nowhere")
AssertEqual Err.Number, 5, "an unknown locale name"
Err.Clear
On Error GoTo 0
AssertEqual GetLocale, 1043, "an unknown locale changes nothing"
AssertEqual SetLocale(0), 1043, "0: back to the default"
AssertEqual GetLocale, 1033, "the default again"
AssertEqual FormatNumber(1234.5), "1,234.50", "number formats stay as they are"

AssertEqual ScriptEngine, "VBScript", "ScriptEngine"
AssertEqual ScriptEngineMajorVersion, 5, "ScriptEngineMajorVersion"
AssertEqual ScriptEngineMinorVersion, 8, "ScriptEngineMinorVersion"
AssertEqual TypeName(ScriptEngineBuildVersion()), "Long", "ScriptEngineBuildVersion"
AssertTrue ScriptEngineBuildVersion > 0, "a build number"
