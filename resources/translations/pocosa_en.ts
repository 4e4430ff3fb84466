<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>OpenFailure</name>
    <message>
        <source>ファイル &quot;%1&quot;. %2 は開けません</source>
        <translation>Cannot open file &quot;%1&quot;. %2</translation>
    </message>
    <message>
        <source>not a regular file</source>
        <translation>not a regular file</translation>
    </message>
</context>
<context>
    <name>ProgramStart</name>
    <message>
        <source>Kitchen timer

A time sets the timer when it is stopped: 5m (minutes), 90s (seconds),
1m30s, 3:30 (minutes:seconds) or a plain 5 (minutes); at most 99:59.
When Pocosa is already running for this user, the request goes to its
window (without a time it just comes to the front) and this call ends.</source>
        <translation>Kitchen timer

A time sets the timer when it is stopped: 5m (minutes), 90s (seconds),
1m30s, 3:30 (minutes:seconds) or a plain 5 (minutes); at most 99:59.
When Pocosa is already running for this user, the request goes to its
window (without a time it just comes to the front) and this call ends.</translation>
    </message>
    <message>
        <source>Start the timer as well.</source>
        <translation>Start the timer as well.</translation>
    </message>
    <message>
        <source>The time to set, e.g. 5m, 90s or 3:30.</source>
        <translation>The time to set, e.g. 5m, 90s or 3:30.</translation>
    </message>
    <message>
        <source>Pocosa is not running and there is no display to open its window on</source>
        <translation>Pocosa is not running and there is no display to open its window on</translation>
    </message>
    <message>
        <source>time</source>
        <translation>time</translation>
    </message>
    <message>
        <source>[time]</source>
        <translation>[time]</translation>
    </message>
    <message>
        <source>Pocosa cannot open its window on display %1</source>
        <translation>Pocosa cannot open its window on display %1</translation>
    </message>
    <message>
        <source>the session bus (%1) does not answer: Pocosa runs without it (no desktop notifications, task bar progress or accessibility)</source>
        <translation>the session bus (%1) does not answer: Pocosa runs without it (no desktop notifications, task bar progress or accessibility)</translation>
    </message>
    <message>
        <source>Print each timer&apos;s time and state, e.g. &quot;04:59 counting down&quot;, and its name after a tab.</source>
        <translation>Print each timer&apos;s time and state, e.g. &quot;04:59 counting down&quot;, and its name after a tab.</translation>
    </message>
    <message>
        <source>Open another timer window.</source>
        <translation>Open another timer window.</translation>
    </message>
    <message>
        <source>The timer of this name (with --new: the new timer&apos;s name).</source>
        <translation>The timer of this name (with --new: the new timer&apos;s name).</translation>
    </message>
    <message>
        <source>name</source>
        <translation>name</translation>
    </message>
    <message>
        <source>Count down to this time of day (17:30, 5:30pm, 5pm), today or tomorrow, and start.</source>
        <translation>Count down to this time of day (17:30, 5:30pm, 5pm), today or tomorrow, and start.</translation>
    </message>
    <message>
        <source>clock</source>
        <translation>clock</translation>
    </message>
    <message>
        <source>The alarm sound of the timer (WAV, OGG, Opus, FLAC or MP3; &quot;default&quot;: the program&apos;s).</source>
        <translation>The alarm sound of the timer (WAV, OGG, Opus, FLAC or MP3; &quot;default&quot;: the program&apos;s).</translation>
    </message>
    <message>
        <source>file</source>
        <translation>file</translation>
    </message>
    <message>
        <source>The volume of the timer&apos;s alarm sound, 0 to 100.</source>
        <translation>The volume of the timer&apos;s alarm sound, 0 to 100.</translation>
    </message>
    <message>
        <source>percent</source>
        <translation>percent</translation>
    </message>
    <message>
        <source>Warn this long before the timer&apos;s count-down ends (e.g. 1m, 30s), or &quot;off&quot;.</source>
        <translation>Warn this long before the timer&apos;s count-down ends (e.g. 1m, 30s), or &quot;off&quot;.</translation>
    </message>
    <message>
        <source>Bring the timer&apos;s window to the front, also a hidden one.</source>
        <translation>Bring the timer&apos;s window to the front, also a hidden one.</translation>
    </message>
    <message>
        <source>Stop the timer&apos;s count or its alarm, as STOP does.</source>
        <translation>Stop the timer&apos;s count or its alarm, as STOP does.</translation>
    </message>
    <message>
        <source>Reset the timer.</source>
        <translation>Reset the timer.</translation>
    </message>
    <message>
        <source>Close the timer&apos;s window without asking.</source>
        <translation>Close the timer&apos;s window without asking.</translation>
    </message>
    <message>
        <source>Stop every timer that counts.</source>
        <translation>Stop every timer that counts.</translation>
    </message>
    <message>
        <source>Start again the timers --pause-all stopped.</source>
        <translation>Start again the timers --pause-all stopped.</translation>
    </message>
    <message>
        <source>Show every timer&apos;s window.</source>
        <translation>Show every timer&apos;s window.</translation>
    </message>
    <message>
        <source>With --status: one line of JSON, a list of every timer&apos;s name, label, seconds, state, end and section.</source>
        <translation>With --status: one line of JSON, a list of every timer&apos;s name, label, seconds, state, end and section.</translation>
    </message>
    <message>
        <source>Run the timer&apos;s count-down this many times in a row (2 to 99), &quot;forever&quot; until stopped, or &quot;off&quot;.</source>
        <translation>Run the timer&apos;s count-down this many times in a row (2 to 99), &quot;forever&quot; until stopped, or &quot;off&quot;.</translation>
    </message>
    <message>
        <source>count</source>
        <translation>count</translation>
    </message>
</context>
<context>
    <name>QCommandLineParser</name>
    <message>
        <source>Displays help on commandline options.</source>
        <translation>Displays help on commandline options.</translation>
    </message>
    <message>
        <source>Displays help including Qt specific options.</source>
        <translation>Displays help including Qt specific options.</translation>
    </message>
    <message>
        <source>Displays version information.</source>
        <translation>Displays version information.</translation>
    </message>
    <message>
        <source>[options]</source>
        <translation>[options]</translation>
    </message>
    <message>
        <source>Usage: %1</source>
        <translation>Usage: %1</translation>
    </message>
    <message>
        <source>Options:</source>
        <translation>Options:</translation>
    </message>
    <message>
        <source>Arguments:</source>
        <translation>Arguments:</translation>
    </message>
</context>
<context>
    <name>StartRequest</name>
    <message>
        <source>stopped (count up)</source>
        <translation>stopped (count up)</translation>
    </message>
    <message>
        <source>stopped</source>
        <translation>stopped</translation>
    </message>
    <message>
        <source>counting up</source>
        <translation>counting up</translation>
    </message>
    <message>
        <source>alarm</source>
        <translation>alarm</translation>
    </message>
    <message>
        <source>counting down</source>
        <translation>counting down</translation>
    </message>
    <message>
        <source>neither set to %1 nor started again</source>
        <translation>neither set to %1 nor started again</translation>
    </message>
    <message>
        <source>not set to %1</source>
        <translation>not set to %1</translation>
    </message>
    <message>
        <source>not started again</source>
        <translation>not started again</translation>
    </message>
    <message>
        <source>the timer is running (%1), so it was %2</source>
        <translation>the timer is running (%1), so it was %2</translation>
    </message>
    <message>
        <source>Pocosa is already running but did not answer</source>
        <translation>Pocosa is already running but did not answer</translation>
    </message>
    <message>
        <source>Pocosa is not running</source>
        <translation>Pocosa is not running</translation>
    </message>
    <message>
        <source>Pocosa already runs for the settings in %1, but its window cannot be reached</source>
        <translation>Pocosa already runs for the settings in %1, but its window cannot be reached</translation>
    </message>
    <message>
        <source>the running Pocosa is too old for --new, --timer and --sound; close it and start Pocosa again</source>
        <translation>the running Pocosa is too old for --new, --timer and --sound; close it and start Pocosa again</translation>
    </message>
    <message>
        <source>the running Pocosa is too old for --warn; close it and start Pocosa again</source>
        <translation>the running Pocosa is too old for --warn; close it and start Pocosa again</translation>
    </message>
    <message>
        <source>the running Pocosa is too old for %1; close it and start Pocosa again</source>
        <translation>the running Pocosa is too old for %1; close it and start Pocosa again</translation>
    </message>
    <message>
        <source>the running Pocosa is too old for --repeat; close it and start Pocosa again</source>
        <translation>the running Pocosa is too old for --repeat; close it and start Pocosa again</translation>
    </message>
</context>
<context>
    <name>TAlarmNotifier</name>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>タイマー終了</source>
        <translation>Time is up</translation>
    </message>
    <message>
        <source>+1 分</source>
        <translation>+1 min</translation>
    </message>
    <message>
        <source>タイマーを表示</source>
        <translation>Show the timer</translation>
    </message>
</context>
<context>
    <name>TAlarmSoundDialog</name>
    <message>
        <source>アラームの音</source>
        <translation>Alarm sound</translation>
    </message>
    <message>
        <source>音(&amp;S):</source>
        <translation>&amp;Sound:</translation>
    </message>
    <message>
        <source>選ぶ(&amp;C)...</source>
        <translation>&amp;Choose...</translation>
    </message>
    <message>
        <source>既定(&amp;D)</source>
        <translation>&amp;Default</translation>
    </message>
    <message>
        <source>音量(&amp;V):</source>
        <translation>&amp;Volume:</translation>
    </message>
    <message>
        <source>試聴(&amp;P)</source>
        <translation>&amp;Play</translation>
    </message>
    <message>
        <source>音</source>
        <translation>Sounds</translation>
    </message>
    <message>
        <source>timer.wav (既定)</source>
        <translation>timer.wav (default)</translation>
    </message>
    <message>
        <source>この音は鳴らせません (%1)。アラームでは timer.wav が鳴ります</source>
        <translation>This sound cannot be played (%1); the alarm plays timer.wav</translation>
    </message>
    <message>
        <source>名前に改行のあるファイルは設定に残せないため、選べません</source>
        <translation>A file whose name holds a line break cannot be kept in the settings, so it cannot be chosen</translation>
    </message>
    <message>
        <source>アラームの音を選ぶ</source>
        <translation>Choose alarm sound</translation>
    </message>
</context>
<context>
    <name>TArchiveStream</name>
    <message>
        <source>%1[%2]です</source>
        <translation>%1 [%2]</translation>
    </message>
    <message>
        <source>ファイルが不正</source>
        <translation>Invalid file</translation>
    </message>
    <message>
        <source>ファイルヘッダが不正</source>
        <translation>Invalid file header</translation>
    </message>
    <message>
        <source>ヘッダ長が不正</source>
        <translation>Invalid header length</translation>
    </message>
    <message>
        <source>ファイルデータが不正</source>
        <translation>Invalid file data</translation>
    </message>
    <message>
        <source>ファイル一覧が不正</source>
        <translation>Invalid file list</translation>
    </message>
    <message>
        <source>読み込みINDEXが指定されていません</source>
        <translation>No INDEX selected to read</translation>
    </message>
    <message>
        <source>Countが負です(%1)</source>
        <translation>Count is negative (%1)</translation>
    </message>
    <message>
        <source>格納ファイルの範囲外を指定しました</source>
        <translation>Position outside the stored file</translation>
    </message>
    <message>
        <source>対応していません</source>
        <translation>Not supported</translation>
    </message>
    <message>
        <source>一覧が途中で切れています</source>
        <translation>The list is cut short</translation>
    </message>
    <message>
        <source>名前の長さが不正です</source>
        <translation>Invalid name length</translation>
    </message>
</context>
<context>
    <name>TBitmap</name>
    <message>
        <source>画像が大きすぎます (%1 x %2)</source>
        <translation>Picture too large (%1 x %2)</translation>
    </message>
    <message>
        <source>32bitBmp以外を塗りつぶそうとしました</source>
        <translation>Tried to fill a bitmap that is not 32-bit</translation>
    </message>
</context>
<context>
    <name>TBmpLoader</name>
    <message>
        <source>ビットマップ画像が不正です</source>
        <translation>Invalid bitmap picture</translation>
    </message>
</context>
<context>
    <name>TEffectSoundService</name>
    <message>
        <source>no sound: %1</source>
        <translation>no sound: %1</translation>
    </message>
</context>
<context>
    <name>TFmTimerMain</name>
    <message>
        <source>分</source>
        <translation>Min</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>Sec</translation>
    </message>
    <message>
        <source>ﾘｾｯﾄ</source>
        <translation>Clr</translation>
    </message>
    <message>
        <source>終了</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>背景画像</source>
        <translation>Background</translation>
    </message>
    <message>
        <source>リセット(&amp;R)</source>
        <translation>&amp;Reset</translation>
    </message>
    <message>
        <source>読込み(&amp;O)</source>
        <translation>&amp;Open...</translation>
    </message>
    <message>
        <source>ソフトウェア情報(&amp;I)</source>
        <translation>&amp;About</translation>
    </message>
    <message>
        <source>終了(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>画像 &quot;%1&quot; を表示できません (%2)</source>
        <translation>Cannot show the picture &quot;%1&quot; (%2)</translation>
    </message>
    <message>
        <source>画像</source>
        <translation>Pictures</translation>
    </message>
    <message>
        <source>すべてのファイル</source>
        <translation>All files</translation>
    </message>
    <message>
        <source>名前</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>タイマーの名前 (空欄: 名前なし):</source>
        <translation>Name of the timer (empty: no name):</translation>
    </message>
    <message>
        <source>新しいタイマー</source>
        <translation>New timer</translation>
    </message>
    <message>
        <source>名前...</source>
        <translation>Name...</translation>
    </message>
    <message>
        <source>音 &quot;%1&quot; を鳴らせません (%2)。timer.wav を鳴らします</source>
        <translation>the sound &quot;%1&quot; cannot be played (%2); timer.wav plays instead</translation>
    </message>
    <message>
        <source>音...</source>
        <translation>Alarm sound...</translation>
    </message>
    <message>
        <source>時刻まで...</source>
        <translation>Count down to...</translation>
    </message>
    <message>
        <source>最近の時間</source>
        <translation>Recent times</translation>
    </message>
    <message>
        <source>時刻まで</source>
        <translation>Count down to</translation>
    </message>
    <message>
        <source>カウントダウンする時刻 (99:59 以内):</source>
        <translation>Count down to this time (at most 99:59 away):</translation>
    </message>
    <message>
        <source>%1 – %2</source>
        <translation>%1 – %2</translation>
    </message>
    <message>
        <source>まだ動いているタイマーがあります: %1。すべて閉じますか?</source>
        <translation>Still counting: %1. Close every timer?</translation>
    </message>
    <message>
        <source>%1 はカウントアップ中です (%2)。閉じますか?</source>
        <translation>%1 is counting up (%2). Close it?</translation>
    </message>
    <message>
        <source>%1 はカウントダウン中です (%2)。閉じますか?</source>
        <translation>%1 is counting down (%2). Close it?</translation>
    </message>
    <message>
        <source>タイマー</source>
        <translation>The timer</translation>
    </message>
    <message>
        <source>音 &quot;%1&quot; を鳴らせません (%2)。代わりに timer.wav を鳴らします。</source>
        <translation>The sound &quot;%1&quot; cannot be played (%2). timer.wav plays instead.</translation>
    </message>
    <message>
        <source>ストップ</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>スタート</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>画像を開く</source>
        <translation>Open picture</translation>
    </message>
    <message>
        <source>1分追加</source>
        <translation>Add a minute</translation>
    </message>
    <message>
        <source>1秒追加</source>
        <translation>Add a second</translation>
    </message>
    <message>
        <source>クリア</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>タイマーを閉じる</source>
        <translation>Close timer</translation>
    </message>
    <message>
        <source>画像 &quot;%1&quot; が見つかりません。組み込みの画像を表示します</source>
        <translation>Picture &quot;%1&quot; not found; showing the built-in picture</translation>
    </message>
    <message>
        <source>移動: 矢印キーで動かし (Shift で 10 ピクセル)、Enter で決定、Esc で元の場所へ</source>
        <translation>Move: arrow keys move the window (Shift: 10 pixels), Enter ends, Escape puts it back</translation>
    </message>
    <message>
        <source>移動(&amp;M)</source>
        <translation>&amp;Move</translation>
    </message>
    <message>
        <source>タイマー一覧</source>
        <translation>Timers</translation>
    </message>
    <message>
        <source>終了前に知らせる</source>
        <translation>Warn before</translation>
    </message>
    <message>
        <source>10 秒前</source>
        <translation>10 seconds</translation>
    </message>
    <message>
        <source>30 秒前</source>
        <translation>30 seconds</translation>
    </message>
    <message>
        <source>1 分前</source>
        <translation>1 minute</translation>
    </message>
    <message>
        <source>2 分前</source>
        <translation>2 minutes</translation>
    </message>
    <message>
        <source>5 分前</source>
        <translation>5 minutes</translation>
    </message>
    <message>
        <source>10 分前</source>
        <translation>10 minutes</translation>
    </message>
    <message>
        <source>オフ</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>繰り返し</source>
        <translation>Repeat</translation>
    </message>
    <message>
        <source>2 回</source>
        <translation>2 times</translation>
    </message>
    <message>
        <source>3 回</source>
        <translation>3 times</translation>
    </message>
    <message>
        <source>4 回</source>
        <translation>4 times</translation>
    </message>
    <message>
        <source>5 回</source>
        <translation>5 times</translation>
    </message>
    <message>
        <source>6 回</source>
        <translation>6 times</translation>
    </message>
    <message>
        <source>8 回</source>
        <translation>8 times</translation>
    </message>
    <message>
        <source>10 回</source>
        <translation>10 times</translation>
    </message>
    <message>
        <source>止めるまで</source>
        <translation>Until stopped</translation>
    </message>
    <message>
        <source>回数...</source>
        <translation>Count...</translation>
    </message>
    <message>
        <source>カウントダウンの回数 (2〜99):</source>
        <translation>Rounds of the count-down (2 to 99):</translation>
    </message>
</context>
<context>
    <name>TFormVersionInfo</name>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Velmora logo</source>
        <translation>Velmora logo</translation>
    </message>
    <message>
        <source>Pocosa icon</source>
        <translation>Pocosa icon</translation>
    </message>
    <message>
        <source>About Pocosa</source>
        <translation>About Pocosa</translation>
    </message>
    <message>
        <source>Program file %1</source>
        <translation>Program file %1</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
</context>
<context>
    <name>TGraphicLoader</name>
    <message>
        <source>リソース %1 が見つかりません</source>
        <translation>Resource %1 not found</translation>
    </message>
</context>
<context>
    <name>TJpegLoader</name>
    <message>
        <source>JPEG エラー #%1</source>
        <translation>JPEG error #%1</translation>
    </message>
</context>
<context>
    <name>TOpenTimers</name>
    <message>
        <source>タイマーは %1 個までです</source>
        <translation>At most %1 timers can be open</translation>
    </message>
    <message>
        <source>there is no timer named &quot;%1&quot;; no timer has a name</source>
        <translation>there is no timer named &quot;%1&quot;; no timer has a name</translation>
    </message>
    <message>
        <source>there is no timer named &quot;%1&quot;; the names are: %2</source>
        <translation>there is no timer named &quot;%1&quot;; the names are: %2</translation>
    </message>
    <message>
        <source>a timer named &quot;%1&quot; is open already</source>
        <translation>a timer named &quot;%1&quot; is open already</translation>
    </message>
    <message>
        <source>%1 個のタイマーは開けません (同時に %2 個まで)。設定には残ります</source>
        <translation>%1 kept timers are not opened (at most %2 at once); they stay in the settings</translation>
    </message>
    <message>
        <source>done, but not kept: %1: %2</source>
        <translation>done, but not kept: %1: %2</translation>
    </message>
</context>
<context>
    <name>TPngReader</name>
    <message>
        <source>PNGファイルではありません</source>
        <translation>Not a PNG file</translation>
    </message>
    <message>
        <source>16bit色深度には対応していません</source>
        <translation>16-bit colour depth is not supported</translation>
    </message>
    <message>
        <source>このPNG圧縮には対応していません</source>
        <translation>This PNG compression is not supported</translation>
    </message>
    <message>
        <source>PNGインターレースには対応していません</source>
        <translation>PNG interlacing is not supported</translation>
    </message>
    <message>
        <source>このPNGには対応していません</source>
        <translation>This PNG is not supported</translation>
    </message>
    <message>
        <source>%1bit色深度には対応していません</source>
        <translation>%1-bit colour depth is not supported</translation>
    </message>
    <message>
        <source>エラー</source>
        <translation>Error</translation>
    </message>
</context>
<context>
    <name>TPocosaApplication</name>
    <message>
        <source>Unknown error</source>
        <translation>Unknown error</translation>
    </message>
</context>
<context>
    <name>TSleepInhibitor</name>
    <message>
        <source>タイマーのカウントダウン中</source>
        <translation>Timer counting down</translation>
    </message>
</context>
<context>
    <name>TSoundFile</name>
    <message>
        <source>the sound file cannot be read: %1</source>
        <translation>the sound file cannot be read: %1</translation>
    </message>
    <message>
        <source>the sound is not a regular file</source>
        <translation>the sound is not a regular file</translation>
    </message>
    <message>
        <source>the sound file is empty</source>
        <translation>the sound file is empty</translation>
    </message>
    <message>
        <source>the file is not a sound that can be played</source>
        <translation>the file is not a sound that can be played</translation>
    </message>
    <message>
        <source>the sound cannot be decoded: %1 channels at %2 Hz</source>
        <translation>the sound cannot be decoded: %1 channels at %2 Hz</translation>
    </message>
    <message>
        <source>the sound cannot be decoded</source>
        <translation>the sound cannot be decoded</translation>
    </message>
    <message>
        <source>the sound file holds no sound</source>
        <translation>the sound file holds no sound</translation>
    </message>
    <message>
        <source>the sound is too quiet to be heard (below -60 dBFS)</source>
        <translation>the sound is too quiet to be heard (below -60 dBFS)</translation>
    </message>
</context>
<context>
    <name>TStatusIcon</name>
    <message>
        <source>Show</source>
        <translation>Show</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>+1 min</source>
        <translation>+1 min</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>Pause all</source>
        <translation>Pause all</translation>
    </message>
    <message>
        <source>Resume all</source>
        <translation>Resume all</translation>
    </message>
    <message>
        <source>Stop all alarms</source>
        <translation>Stop all alarms</translation>
    </message>
    <message>
        <source>Hide all windows</source>
        <translation>Hide all windows</translation>
    </message>
    <message>
        <source>Show all windows</source>
        <translation>Show all windows</translation>
    </message>
    <message>
        <source>New timer</source>
        <translation>New timer</translation>
    </message>
    <message>
        <source>Quit Pocosa</source>
        <translation>Quit Pocosa</translation>
    </message>
</context>
<context>
    <name>TTimerAttention</name>
    <message>
        <source>%1 count-down</source>
        <translation>%1 count-down</translation>
    </message>
</context>
<context>
    <name>TTimerModel</name>
    <message>
        <source>Timer %1</source>
        <translation>Timer %1</translation>
    </message>
</context>
<context>
    <name>TTimerReadout</name>
    <message>
        <source>Time is up</source>
        <translation>Time is up</translation>
    </message>
    <message>
        <source>%1 minute</source>
        <translation>%1 minute</translation>
    </message>
    <message>
        <source>%1 minutes</source>
        <translation>%1 minutes</translation>
    </message>
    <message>
        <source>%1 second</source>
        <translation>%1 second</translation>
    </message>
    <message>
        <source>%1 seconds</source>
        <translation>%1 seconds</translation>
    </message>
    <message>
        <source>%1 %2</source>
        <comment>minutes, then seconds</comment>
        <translation>%1 %2</translation>
    </message>
    <message>
        <source>%1, counting down</source>
        <translation>%1, counting down</translation>
    </message>
    <message>
        <source>%1, counting up</source>
        <translation>%1, counting up</translation>
    </message>
    <message>
        <source>%1, stopped</source>
        <translation>%1, stopped</translation>
    </message>
    <message>
        <source>%1, stopped, counts up</source>
        <translation>%1, stopped, counts up</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>%1 left</source>
        <comment>a count-down&apos;s warning</comment>
        <translation>%1 left</translation>
    </message>
    <message>
        <source>round %1 begins</source>
        <translation>round %1 begins</translation>
    </message>
    <message>
        <source>round %1 of %2 begins</source>
        <translation>round %1 of %2 begins</translation>
    </message>
    <message>
        <source>%1 rounds ended; %2</source>
        <comment>rounds that ended while the computer slept, then the round that begins</comment>
        <translation>%1 rounds ended; %2</translation>
    </message>
</context>
<context>
    <name>TTimerSpeaker</name>
    <message>
        <source>submenu</source>
        <translation>submenu</translation>
    </message>
</context>
<context>
    <name>TimeArgument</name>
    <message>
        <source>&quot;%1&quot; is longer than 99:59</source>
        <translation>&quot;%1&quot; is longer than 99:59</translation>
    </message>
    <message>
        <source>an empty time was given</source>
        <translation>an empty time was given</translation>
    </message>
    <message>
        <source>&quot;%1&quot;: hours are not accepted; the longest time is 99:59</source>
        <translation>&quot;%1&quot;: hours are not accepted; the longest time is 99:59</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a time; write it as 5m, 90s, 1m30s, 3:30 or 5 (minutes)</source>
        <translation>&quot;%1&quot; is not a time; write it as 5m, 90s, 1m30s, 3:30 or 5 (minutes)</translation>
    </message>
    <message>
        <source>&quot;%1&quot;: the seconds must be 00 to 59</source>
        <translation>&quot;%1&quot;: the seconds must be 00 to 59</translation>
    </message>
    <message>
        <source>&quot;%1&quot;: a time cannot be negative</source>
        <translation>&quot;%1&quot;: a time cannot be negative</translation>
    </message>
    <message>
        <source>only one time may be given, not &quot;%1&quot;</source>
        <translation>only one time may be given, not &quot;%1&quot;</translation>
    </message>
    <message>
        <source>--status takes no time and no --start</source>
        <translation>--status takes no time and no --start</translation>
    </message>
    <message>
        <source>--timer needs a name</source>
        <translation>--timer needs a name</translation>
    </message>
    <message>
        <source>--timer NAME needs a time or --start</source>
        <translation>--timer NAME needs a time or --start</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a time of day; write it as 17:30, 5:30pm or 5pm</source>
        <translation>&quot;%1&quot; is not a time of day; write it as 17:30, 5:30pm or 5pm</translation>
    </message>
    <message>
        <source>--until takes no other time, not &quot;%1&quot;</source>
        <translation>--until takes no other time, not &quot;%1&quot;</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is now</source>
        <translation>&quot;%1&quot; is now</translation>
    </message>
    <message>
        <source>&quot;%1&quot; does not exist tonight: the clocks go forward over it</source>
        <translation>&quot;%1&quot; does not exist tonight: the clocks go forward over it</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is %2 from now, longer than 99:59</source>
        <translation>&quot;%1&quot; is %2 from now, longer than 99:59</translation>
    </message>
    <message>
        <source>--sound needs a file, or &quot;default&quot;</source>
        <translation>--sound needs a file, or &quot;default&quot;</translation>
    </message>
    <message>
        <source>&quot;%1&quot;: a file name with a line break cannot be kept in the settings</source>
        <translation>&quot;%1&quot;: a file name with a line break cannot be kept in the settings</translation>
    </message>
    <message>
        <source>&quot;%1&quot;: the volume is a whole number from 0 to 100</source>
        <translation>&quot;%1&quot;: the volume is a whole number from 0 to 100</translation>
    </message>
    <message>
        <source>the sound &quot;%1&quot; cannot be played: %2</source>
        <translation>the sound &quot;%1&quot; cannot be played: %2</translation>
    </message>
    <message>
        <source>the name &quot;%1&quot; is longer than %2 characters</source>
        <translation>the name &quot;%1&quot; is longer than %2 characters</translation>
    </message>
    <message>
        <source>--%1 and --%2 cannot be asked at once</source>
        <translation>--%1 and --%2 cannot be asked at once</translation>
    </message>
    <message>
        <source>--%1 takes no time and no other option</source>
        <translation>--%1 takes no time and no other option</translation>
    </message>
    <message>
        <source>--%1 takes no time and no other option than --timer</source>
        <translation>--%1 takes no time and no other option than --timer</translation>
    </message>
    <message>
        <source>--json goes with --status</source>
        <translation>--json goes with --status</translation>
    </message>
    <message>
        <source>&quot;%1&quot;: --repeat takes a count from 1 to 99, &quot;forever&quot; or &quot;off&quot;</source>
        <translation>&quot;%1&quot;: --repeat takes a count from 1 to 99, &quot;forever&quot; or &quot;off&quot;</translation>
    </message>
</context>
<context>
    <name>TimerRecord</name>
    <message>
        <source>the timer kept in %1 is ignored: %2</source>
        <translation>the timer kept in %1 is ignored: %2</translation>
    </message>
    <message>
        <source>a running timer without its moment</source>
        <translation>a running timer without its moment</translation>
    </message>
    <message>
        <source>%1=%2 cannot be read</source>
        <translation>%1=%2 cannot be read</translation>
    </message>
    <message>
        <source>%1 に終了しました</source>
        <translation>Ended at %1</translation>
    </message>
    <message>
        <source>SECONDS=%1 is not a time from 00:00 to 99:59</source>
        <translation>SECONDS=%1 is not a time from 00:00 to 99:59</translation>
    </message>
    <message>
        <source>the clock stands before the time it was kept at</source>
        <translation>the clock stands before the time it was kept at</translation>
    </message>
    <message>
        <source>the timer kept in %1 is shown stopped: %2</source>
        <translation>the timer kept in %1 is shown stopped: %2</translation>
    </message>
</context>
<context>
    <name>TvlmBtnDraw</name>
    <message>
        <source>button face too large (%1 x %2)</source>
        <translation>button face too large (%1 x %2)</translation>
    </message>
</context>
<context>
    <name>TvlmFormFunc</name>
    <message>
        <source>No visible picture in &quot;%1&quot;</source>
        <translation>No visible picture in &quot;%1&quot;</translation>
    </message>
</context>
<context>
    <name>TvlmGctButton</name>
    <message>
        <source>Key: %1</source>
        <translation>Key: %1</translation>
    </message>
</context>
<context>
    <name>TvlmGlobal</name>
    <message>
        <source>&apos;%1&apos; のデータ型が不正です</source>
        <translation>Invalid data type of &apos;%1&apos;</translation>
    </message>
    <message>
        <source>キー %1 の作成に失敗しました</source>
        <translation>Failed to create key %1</translation>
    </message>
    <message>
        <source>&apos;%1&apos; の設定に失敗しました</source>
        <translation>Failed to set &apos;%1&apos;</translation>
    </message>
    <message>
        <source>%1 に書き込めません</source>
        <translation>Cannot write to %1</translation>
    </message>
</context>
<context>
    <name>pocosa-archive</name>
    <message>
        <source>File changed while it was read</source>
        <translation>File changed while it was read</translation>
    </message>
    <message>
        <source>%1 and %2: two entries of one name (letter case is ignored)</source>
        <translation>%1 and %2: two entries of one name (letter case is ignored)</translation>
    </message>
    <message>
        <source>No such file</source>
        <translation>No such file</translation>
    </message>
    <message>
        <source>File too large for an archive entry</source>
        <translation>File too large for an archive entry</translation>
    </message>
    <message>
        <source>%1: no entry named %2</source>
        <translation>%1: no entry named %2</translation>
    </message>
    <message>
        <source>The output file is the archive itself</source>
        <translation>The output file is the archive itself</translation>
    </message>
    <message>
        <source>usage: pocosa-archive create ARCHIVE FILE...
       pocosa-archive list ARCHIVE
       pocosa-archive extract ARCHIVE NAME OUTFILE
ARCHIVE of create and OUTFILE may be - for standard output.
</source>
        <translation>usage: pocosa-archive create ARCHIVE FILE...
       pocosa-archive list ARCHIVE
       pocosa-archive extract ARCHIVE NAME OUTFILE
ARCHIVE of create and OUTFILE may be - for standard output.
</translation>
    </message>
    <message>
        <source>Cannot write to standard output. %1</source>
        <translation>Cannot write to standard output. %1</translation>
    </message>
    <message>
        <source>Cannot write to file &quot;%1&quot;. %2</source>
        <translation>Cannot write to file &quot;%1&quot;. %2</translation>
    </message>
</context>
<context>
    <name>pocosa-picture</name>
    <message>
        <source>usage: pocosa-picture info FILE...
       pocosa-picture convert FILE OUT.png
</source>
        <translation>usage: pocosa-picture info FILE...
       pocosa-picture convert FILE OUT.png
</translation>
    </message>
    <message>
        <source>no picture (no decoder for this extension)</source>
        <translation>no picture (no decoder for this extension)</translation>
    </message>
    <message>
        <source>no picture (0 pixels)</source>
        <translation>no picture (0 pixels)</translation>
    </message>
    <message>
        <source>cannot write</source>
        <translation>cannot write</translation>
    </message>
    <message>
        <source>standard output</source>
        <translation>standard output</translation>
    </message>
    <message>
        <source>cannot write: %1</source>
        <translation>cannot write: %1</translation>
    </message>
</context>
</TS>
