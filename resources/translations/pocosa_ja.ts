<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja">
<context>
    <name>OpenFailure</name>
    <message>
        <source>ファイル &quot;%1&quot;. %2 は開けません</source>
        <translation>ファイル &quot;%1&quot;. %2 は開けません</translation>
    </message>
    <message>
        <source>not a regular file</source>
        <translation>通常のファイルではありません</translation>
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
        <translation>キッチンタイマー

時間を付けると、止まっているタイマーにその時間をセットします:
5m (分)、90s (秒)、1m30s、3:30 (分:秒)、数字だけの 5 (分)。最長 99:59 です。
このユーザーの Pocosa がすでに動いていれば、指定はそのウィンドウに渡り
(時間がなければウィンドウが前面に出るだけです)、この呼び出しは終わります。</translation>
    </message>
    <message>
        <source>Start the timer as well.</source>
        <translation>あわせてタイマーをスタートします。</translation>
    </message>
    <message>
        <source>The time to set, e.g. 5m, 90s or 3:30.</source>
        <translation>セットする時間 (例: 5m、90s、3:30)。</translation>
    </message>
    <message>
        <source>Pocosa is not running and there is no display to open its window on</source>
        <translation>Pocosa は動いていません。ウィンドウを開くディスプレイもありません</translation>
    </message>
    <message>
        <source>time</source>
        <translation>時間</translation>
    </message>
    <message>
        <source>[time]</source>
        <translation>[時間]</translation>
    </message>
    <message>
        <source>Pocosa cannot open its window on display %1</source>
        <translation>ディスプレイ %1 に Pocosa のウィンドウを開けません</translation>
    </message>
    <message>
        <source>the session bus (%1) does not answer: Pocosa runs without it (no desktop notifications, task bar progress or accessibility)</source>
        <translation>セッションバス (%1) が応答しません。Pocosa はセッションバスなしで動きます (デスクトップ通知、タスクバーの進み具合、アクセシビリティはありません)</translation>
    </message>
    <message>
        <source>Print each timer&apos;s time and state, e.g. &quot;04:59 counting down&quot;, and its name after a tab.</source>
        <translation>各タイマーの時間と状態 (例: &quot;04:59 counting down&quot;) を、名前があればタブの後に名前を付けて表示します。</translation>
    </message>
    <message>
        <source>Open another timer window.</source>
        <translation>タイマーのウィンドウをもう一つ開きます。</translation>
    </message>
    <message>
        <source>The timer of this name (with --new: the new timer&apos;s name).</source>
        <translation>この名前のタイマー (--new と共に: 新しいタイマーの名前)。</translation>
    </message>
    <message>
        <source>name</source>
        <translation>名前</translation>
    </message>
    <message>
        <source>Count down to this time of day (17:30, 5:30pm, 5pm), today or tomorrow, and start.</source>
        <translation>この時刻（17:30、5:30pm、5pm）まで、今日か明日に向けてカウントダウンを始めます。</translation>
    </message>
    <message>
        <source>clock</source>
        <translation>時刻</translation>
    </message>
    <message>
        <source>The alarm sound of the timer (WAV, OGG, Opus, FLAC or MP3; &quot;default&quot;: the program&apos;s).</source>
        <translation>タイマーのアラームの音 (WAV、OGG、Opus、FLAC、MP3。&quot;default&quot; でプログラムの音)。</translation>
    </message>
    <message>
        <source>file</source>
        <translation>ファイル</translation>
    </message>
    <message>
        <source>The volume of the timer&apos;s alarm sound, 0 to 100.</source>
        <translation>タイマーのアラームの音量 (0 から 100)。</translation>
    </message>
    <message>
        <source>percent</source>
        <translation>パーセント</translation>
    </message>
    <message>
        <source>Warn this long before the timer&apos;s count-down ends (e.g. 1m, 30s), or &quot;off&quot;.</source>
        <translation>タイマーのカウントダウンが終わるこの時間前に知らせる (例: 1m、30s)。&quot;off&quot; で知らせない。</translation>
    </message>
    <message>
        <source>Bring the timer&apos;s window to the front, also a hidden one.</source>
        <translation>ウィンドウを (隠れていても) 最前面に出します。</translation>
    </message>
    <message>
        <source>Stop the timer&apos;s count or its alarm, as STOP does.</source>
        <translation>STOP と同じくカウントかアラームを止めます。</translation>
    </message>
    <message>
        <source>Reset the timer.</source>
        <translation>タイマーをリセットします。</translation>
    </message>
    <message>
        <source>Close the timer&apos;s window without asking.</source>
        <translation>確認せずにタイマーのウィンドウを閉じます。</translation>
    </message>
    <message>
        <source>Stop every timer that counts.</source>
        <translation>動いているタイマーをすべて止めます。</translation>
    </message>
    <message>
        <source>Start again the timers --pause-all stopped.</source>
        <translation>--pause-all で止めたタイマーをもう一度動かします。</translation>
    </message>
    <message>
        <source>Show every timer&apos;s window.</source>
        <translation>すべてのタイマーのウィンドウを表示します。</translation>
    </message>
    <message>
        <source>With --status: one line of JSON, a list of every timer&apos;s name, label, seconds, state, end and section.</source>
        <translation>--status と共に: 全タイマーの名前・表示名・秒数・状態・終了時刻・セクションを 1 行の JSON で表示します。</translation>
    </message>
    <message>
        <source>Run the timer&apos;s count-down this many times in a row (2 to 99), &quot;forever&quot; until stopped, or &quot;off&quot;.</source>
        <translation>タイマーのカウントダウンを続けてこの回数 (2〜99) 繰り返します。&quot;forever&quot; で止めるまで、&quot;off&quot; で繰り返しなし。</translation>
    </message>
    <message>
        <source>count</source>
        <translation>回数</translation>
    </message>
</context>
<context>
    <name>QCommandLineParser</name>
    <message>
        <source>Displays help on commandline options.</source>
        <translation>コマンドラインオプションのヘルプを表示します。</translation>
    </message>
    <message>
        <source>Displays help including Qt specific options.</source>
        <translation>Qt 固有のオプションも含めてヘルプを表示します。</translation>
    </message>
    <message>
        <source>Displays version information.</source>
        <translation>バージョン情報を表示します。</translation>
    </message>
    <message>
        <source>[options]</source>
        <translation>[オプション]</translation>
    </message>
    <message>
        <source>Usage: %1</source>
        <translation>使い方: %1</translation>
    </message>
    <message>
        <source>Options:</source>
        <translation>オプション:</translation>
    </message>
    <message>
        <source>Arguments:</source>
        <translation>引数:</translation>
    </message>
</context>
<context>
    <name>StartRequest</name>
    <message>
        <source>stopped (count up)</source>
        <translation>停止中 (カウントアップ)</translation>
    </message>
    <message>
        <source>stopped</source>
        <translation>停止中</translation>
    </message>
    <message>
        <source>counting up</source>
        <translation>カウントアップ中</translation>
    </message>
    <message>
        <source>alarm</source>
        <translation>アラーム中</translation>
    </message>
    <message>
        <source>counting down</source>
        <translation>カウントダウン中</translation>
    </message>
    <message>
        <source>neither set to %1 nor started again</source>
        <translation>%1 へのセットも再スタートもしていません</translation>
    </message>
    <message>
        <source>not set to %1</source>
        <translation>%1 にセットしていません</translation>
    </message>
    <message>
        <source>not started again</source>
        <translation>再スタートしていません</translation>
    </message>
    <message>
        <source>the timer is running (%1), so it was %2</source>
        <translation>タイマーが動いているので (%1)、%2</translation>
    </message>
    <message>
        <source>Pocosa is already running but did not answer</source>
        <translation>Pocosa は動いていますが、応答がありません</translation>
    </message>
    <message>
        <source>Pocosa is not running</source>
        <translation>Pocosa は動いていません</translation>
    </message>
    <message>
        <source>Pocosa already runs for the settings in %1, but its window cannot be reached</source>
        <translation>%1 の設定で Pocosa がすでに動いていますが、そのウィンドウに届きません</translation>
    </message>
    <message>
        <source>the running Pocosa is too old for --new, --timer and --sound; close it and start Pocosa again</source>
        <translation>実行中の Pocosa は古いため --new、--timer、--sound を使えません。終了してから Pocosa をもう一度起動してください</translation>
    </message>
    <message>
        <source>the running Pocosa is too old for --warn; close it and start Pocosa again</source>
        <translation>実行中の Pocosa は古いため --warn を使えません。終了してから Pocosa をもう一度起動してください</translation>
    </message>
    <message>
        <source>the running Pocosa is too old for %1; close it and start Pocosa again</source>
        <translation>実行中の Pocosa は古いため %1 を使えません。終了してから Pocosa をもう一度起動してください</translation>
    </message>
    <message>
        <source>the running Pocosa is too old for --repeat; close it and start Pocosa again</source>
        <translation>実行中の Pocosa は古いため --repeat を使えません。終了してから Pocosa をもう一度起動してください</translation>
    </message>
</context>
<context>
    <name>TAlarmNotifier</name>
    <message>
        <source>停止</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>タイマー終了</source>
        <translation>タイマー終了</translation>
    </message>
    <message>
        <source>+1 分</source>
        <translation>+1 分</translation>
    </message>
    <message>
        <source>タイマーを表示</source>
        <translation>タイマーを表示</translation>
    </message>
</context>
<context>
    <name>TAlarmSoundDialog</name>
    <message>
        <source>アラームの音</source>
        <translation>アラームの音</translation>
    </message>
    <message>
        <source>音(&amp;S):</source>
        <translation>音(&amp;S):</translation>
    </message>
    <message>
        <source>選ぶ(&amp;C)...</source>
        <translation>選ぶ(&amp;C)...</translation>
    </message>
    <message>
        <source>既定(&amp;D)</source>
        <translation>既定(&amp;D)</translation>
    </message>
    <message>
        <source>音量(&amp;V):</source>
        <translation>音量(&amp;V):</translation>
    </message>
    <message>
        <source>試聴(&amp;P)</source>
        <translation>試聴(&amp;P)</translation>
    </message>
    <message>
        <source>音</source>
        <translation>音</translation>
    </message>
    <message>
        <source>timer.wav (既定)</source>
        <translation>timer.wav (既定)</translation>
    </message>
    <message>
        <source>この音は鳴らせません (%1)。アラームでは timer.wav が鳴ります</source>
        <translation>この音は鳴らせません (%1)。アラームでは timer.wav が鳴ります</translation>
    </message>
    <message>
        <source>名前に改行のあるファイルは設定に残せないため、選べません</source>
        <translation>名前に改行のあるファイルは設定に残せないため、選べません</translation>
    </message>
    <message>
        <source>アラームの音を選ぶ</source>
        <translation>アラームの音を選ぶ</translation>
    </message>
</context>
<context>
    <name>TArchiveStream</name>
    <message>
        <source>%1[%2]です</source>
        <translation>%1[%2]です</translation>
    </message>
    <message>
        <source>ファイルが不正</source>
        <translation>ファイルが不正</translation>
    </message>
    <message>
        <source>ファイルヘッダが不正</source>
        <translation>ファイルヘッダが不正</translation>
    </message>
    <message>
        <source>ヘッダ長が不正</source>
        <translation>ヘッダ長が不正</translation>
    </message>
    <message>
        <source>ファイルデータが不正</source>
        <translation>ファイルデータが不正</translation>
    </message>
    <message>
        <source>ファイル一覧が不正</source>
        <translation>ファイル一覧が不正</translation>
    </message>
    <message>
        <source>読み込みINDEXが指定されていません</source>
        <translation>読み込みINDEXが指定されていません</translation>
    </message>
    <message>
        <source>Countが負です(%1)</source>
        <translation>Countが負です(%1)</translation>
    </message>
    <message>
        <source>格納ファイルの範囲外を指定しました</source>
        <translation>格納ファイルの範囲外を指定しました</translation>
    </message>
    <message>
        <source>対応していません</source>
        <translation>対応していません</translation>
    </message>
    <message>
        <source>一覧が途中で切れています</source>
        <translation>一覧が途中で切れています</translation>
    </message>
    <message>
        <source>名前の長さが不正です</source>
        <translation>名前の長さが不正です</translation>
    </message>
</context>
<context>
    <name>TBitmap</name>
    <message>
        <source>画像が大きすぎます (%1 x %2)</source>
        <translation>画像が大きすぎます (%1 x %2)</translation>
    </message>
    <message>
        <source>32bitBmp以外を塗りつぶそうとしました</source>
        <translation>32bitBmp以外を塗りつぶそうとしました</translation>
    </message>
</context>
<context>
    <name>TBmpLoader</name>
    <message>
        <source>ビットマップ画像が不正です</source>
        <translation>ビットマップ画像が不正です</translation>
    </message>
</context>
<context>
    <name>TEffectSoundService</name>
    <message>
        <source>no sound: %1</source>
        <translation>音が出せません: %1</translation>
    </message>
</context>
<context>
    <name>TFmTimerMain</name>
    <message>
        <source>分</source>
        <translation>分</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>秒</translation>
    </message>
    <message>
        <source>ﾘｾｯﾄ</source>
        <translation>ﾘｾｯﾄ</translation>
    </message>
    <message>
        <source>終了</source>
        <translation>終了</translation>
    </message>
    <message>
        <source>背景画像</source>
        <translation>背景画像</translation>
    </message>
    <message>
        <source>リセット(&amp;R)</source>
        <translation>リセット(&amp;R)</translation>
    </message>
    <message>
        <source>読込み(&amp;O)</source>
        <translation>読込み(&amp;O)</translation>
    </message>
    <message>
        <source>ソフトウェア情報(&amp;I)</source>
        <translation>ソフトウェア情報(&amp;I)</translation>
    </message>
    <message>
        <source>終了(&amp;X)</source>
        <translation>終了(&amp;X)</translation>
    </message>
    <message>
        <source>画像 &quot;%1&quot; を表示できません (%2)</source>
        <translation>画像 &quot;%1&quot; を表示できません (%2)</translation>
    </message>
    <message>
        <source>画像</source>
        <translation>画像</translation>
    </message>
    <message>
        <source>すべてのファイル</source>
        <translation>すべてのファイル</translation>
    </message>
    <message>
        <source>名前</source>
        <translation>名前</translation>
    </message>
    <message>
        <source>タイマーの名前 (空欄: 名前なし):</source>
        <translation>タイマーの名前 (空欄: 名前なし):</translation>
    </message>
    <message>
        <source>新しいタイマー</source>
        <translation>新しいタイマー</translation>
    </message>
    <message>
        <source>名前...</source>
        <translation>名前...</translation>
    </message>
    <message>
        <source>音 &quot;%1&quot; を鳴らせません (%2)。timer.wav を鳴らします</source>
        <translation>音 &quot;%1&quot; を鳴らせません (%2)。timer.wav を鳴らします</translation>
    </message>
    <message>
        <source>音...</source>
        <translation>音...</translation>
    </message>
    <message>
        <source>時刻まで...</source>
        <translation>時刻まで...</translation>
    </message>
    <message>
        <source>最近の時間</source>
        <translation>最近の時間</translation>
    </message>
    <message>
        <source>時刻まで</source>
        <translation>時刻まで</translation>
    </message>
    <message>
        <source>カウントダウンする時刻 (99:59 以内):</source>
        <translation>カウントダウンする時刻 (99:59 以内):</translation>
    </message>
    <message>
        <source>%1 – %2</source>
        <translation>%1 – %2</translation>
    </message>
    <message>
        <source>まだ動いているタイマーがあります: %1。すべて閉じますか?</source>
        <translation>まだ動いているタイマーがあります: %1。すべて閉じますか?</translation>
    </message>
    <message>
        <source>%1 はカウントアップ中です (%2)。閉じますか?</source>
        <translation>%1 はカウントアップ中です (%2)。閉じますか?</translation>
    </message>
    <message>
        <source>%1 はカウントダウン中です (%2)。閉じますか?</source>
        <translation>%1 はカウントダウン中です (%2)。閉じますか?</translation>
    </message>
    <message>
        <source>タイマー</source>
        <translation>タイマー</translation>
    </message>
    <message>
        <source>音 &quot;%1&quot; を鳴らせません (%2)。代わりに timer.wav を鳴らします。</source>
        <translation>音 &quot;%1&quot; を鳴らせません (%2)。代わりに timer.wav を鳴らします。</translation>
    </message>
    <message>
        <source>ストップ</source>
        <translation>ストップ</translation>
    </message>
    <message>
        <source>スタート</source>
        <translation>スタート</translation>
    </message>
    <message>
        <source>画像を開く</source>
        <translation>画像を開く</translation>
    </message>
    <message>
        <source>1分追加</source>
        <translation>1分追加</translation>
    </message>
    <message>
        <source>1秒追加</source>
        <translation>1秒追加</translation>
    </message>
    <message>
        <source>クリア</source>
        <translation>クリア</translation>
    </message>
    <message>
        <source>タイマーを閉じる</source>
        <translation>タイマーを閉じる</translation>
    </message>
    <message>
        <source>画像 &quot;%1&quot; が見つかりません。組み込みの画像を表示します</source>
        <translation>画像 &quot;%1&quot; が見つかりません。組み込みの画像を表示します</translation>
    </message>
    <message>
        <source>移動: 矢印キーで動かし (Shift で 10 ピクセル)、Enter で決定、Esc で元の場所へ</source>
        <translation>移動: 矢印キーで動かし (Shift で 10 ピクセル)、Enter で決定、Esc で元の場所へ</translation>
    </message>
    <message>
        <source>移動(&amp;M)</source>
        <translation>移動(&amp;M)</translation>
    </message>
    <message>
        <source>タイマー一覧</source>
        <translation>タイマー一覧</translation>
    </message>
    <message>
        <source>終了前に知らせる</source>
        <translation>終了前に知らせる</translation>
    </message>
    <message>
        <source>10 秒前</source>
        <translation>10 秒前</translation>
    </message>
    <message>
        <source>30 秒前</source>
        <translation>30 秒前</translation>
    </message>
    <message>
        <source>1 分前</source>
        <translation>1 分前</translation>
    </message>
    <message>
        <source>2 分前</source>
        <translation>2 分前</translation>
    </message>
    <message>
        <source>5 分前</source>
        <translation>5 分前</translation>
    </message>
    <message>
        <source>10 分前</source>
        <translation>10 分前</translation>
    </message>
    <message>
        <source>オフ</source>
        <translation>オフ</translation>
    </message>
    <message>
        <source>繰り返し</source>
        <translation>繰り返し</translation>
    </message>
    <message>
        <source>2 回</source>
        <translation>2 回</translation>
    </message>
    <message>
        <source>3 回</source>
        <translation>3 回</translation>
    </message>
    <message>
        <source>4 回</source>
        <translation>4 回</translation>
    </message>
    <message>
        <source>5 回</source>
        <translation>5 回</translation>
    </message>
    <message>
        <source>6 回</source>
        <translation>6 回</translation>
    </message>
    <message>
        <source>8 回</source>
        <translation>8 回</translation>
    </message>
    <message>
        <source>10 回</source>
        <translation>10 回</translation>
    </message>
    <message>
        <source>止めるまで</source>
        <translation>止めるまで</translation>
    </message>
    <message>
        <source>回数...</source>
        <translation>回数...</translation>
    </message>
    <message>
        <source>カウントダウンの回数 (2〜99):</source>
        <translation>カウントダウンの回数 (2〜99):</translation>
    </message>
</context>
<context>
    <name>TFormVersionInfo</name>
    <message>
        <source>閉じる</source>
        <translation>閉じる</translation>
    </message>
    <message>
        <source>Velmora logo</source>
        <translation>Velmora のロゴ</translation>
    </message>
    <message>
        <source>Pocosa icon</source>
        <translation>Pocosa のアイコン</translation>
    </message>
    <message>
        <source>About Pocosa</source>
        <translation>Pocosaについて</translation>
    </message>
    <message>
        <source>Program file %1</source>
        <translation>プログラム ファイル %1</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>バージョン %1</translation>
    </message>
</context>
<context>
    <name>TGraphicLoader</name>
    <message>
        <source>リソース %1 が見つかりません</source>
        <translation>リソース %1 が見つかりません</translation>
    </message>
</context>
<context>
    <name>TJpegLoader</name>
    <message>
        <source>JPEG エラー #%1</source>
        <translation>JPEG エラー #%1</translation>
    </message>
</context>
<context>
    <name>TOpenTimers</name>
    <message>
        <source>タイマーは %1 個までです</source>
        <translation>タイマーは %1 個までです</translation>
    </message>
    <message>
        <source>there is no timer named &quot;%1&quot;; no timer has a name</source>
        <translation>「%1」という名前のタイマーはありません。名前のあるタイマーはありません</translation>
    </message>
    <message>
        <source>there is no timer named &quot;%1&quot;; the names are: %2</source>
        <translation>「%1」という名前のタイマーはありません。名前: %2</translation>
    </message>
    <message>
        <source>a timer named &quot;%1&quot; is open already</source>
        <translation>「%1」という名前のタイマーはもう開いています</translation>
    </message>
    <message>
        <source>%1 個のタイマーは開けません (同時に %2 個まで)。設定には残ります</source>
        <translation>%1 個のタイマーは開けません (同時に %2 個まで)。設定には残ります</translation>
    </message>
    <message>
        <source>done, but not kept: %1: %2</source>
        <translation>実行しましたが保存できません: %1: %2</translation>
    </message>
</context>
<context>
    <name>TPngReader</name>
    <message>
        <source>PNGファイルではありません</source>
        <translation>PNGファイルではありません</translation>
    </message>
    <message>
        <source>16bit色深度には対応していません</source>
        <translation>16bit色深度には対応していません</translation>
    </message>
    <message>
        <source>このPNG圧縮には対応していません</source>
        <translation>このPNG圧縮には対応していません</translation>
    </message>
    <message>
        <source>PNGインターレースには対応していません</source>
        <translation>PNGインターレースには対応していません</translation>
    </message>
    <message>
        <source>このPNGには対応していません</source>
        <translation>このPNGには対応していません</translation>
    </message>
    <message>
        <source>%1bit色深度には対応していません</source>
        <translation>%1bit色深度には対応していません</translation>
    </message>
    <message>
        <source>エラー</source>
        <translation>エラー</translation>
    </message>
</context>
<context>
    <name>TPocosaApplication</name>
    <message>
        <source>Unknown error</source>
        <translation>不明なエラー</translation>
    </message>
</context>
<context>
    <name>TSleepInhibitor</name>
    <message>
        <source>タイマーのカウントダウン中</source>
        <translation>タイマーのカウントダウン中</translation>
    </message>
</context>
<context>
    <name>TSoundFile</name>
    <message>
        <source>the sound file cannot be read: %1</source>
        <translation>サウンドファイルを読めません: %1</translation>
    </message>
    <message>
        <source>the sound is not a regular file</source>
        <translation>サウンドが通常のファイルではありません</translation>
    </message>
    <message>
        <source>the sound file is empty</source>
        <translation>サウンドファイルが空です</translation>
    </message>
    <message>
        <source>the file is not a sound that can be played</source>
        <translation>再生できるサウンドのファイルではありません</translation>
    </message>
    <message>
        <source>the sound cannot be decoded: %1 channels at %2 Hz</source>
        <translation>サウンドをデコードできません: %1 チャンネル、%2 Hz</translation>
    </message>
    <message>
        <source>the sound cannot be decoded</source>
        <translation>サウンドをデコードできません</translation>
    </message>
    <message>
        <source>the sound file holds no sound</source>
        <translation>サウンドファイルに音が入っていません</translation>
    </message>
    <message>
        <source>the sound is too quiet to be heard (below -60 dBFS)</source>
        <translation>音が小さすぎて聞こえません (-60 dBFS 未満)</translation>
    </message>
</context>
<context>
    <name>TStatusIcon</name>
    <message>
        <source>Show</source>
        <translation>表示</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>スタート</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>ストップ</translation>
    </message>
    <message>
        <source>+1 min</source>
        <translation>+1 分</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>リセット</translation>
    </message>
    <message>
        <source>Pause all</source>
        <translation>すべて一時停止</translation>
    </message>
    <message>
        <source>Resume all</source>
        <translation>すべて再開</translation>
    </message>
    <message>
        <source>Stop all alarms</source>
        <translation>すべてのアラームを止める</translation>
    </message>
    <message>
        <source>Hide all windows</source>
        <translation>すべてのウィンドウを隠す</translation>
    </message>
    <message>
        <source>Show all windows</source>
        <translation>すべてのウィンドウを表示</translation>
    </message>
    <message>
        <source>New timer</source>
        <translation>新しいタイマー</translation>
    </message>
    <message>
        <source>Quit Pocosa</source>
        <translation>Pocosa を終了</translation>
    </message>
</context>
<context>
    <name>TTimerAttention</name>
    <message>
        <source>%1 count-down</source>
        <translation>%1 のカウントダウン</translation>
    </message>
</context>
<context>
    <name>TTimerModel</name>
    <message>
        <source>Timer %1</source>
        <translation>タイマー %1</translation>
    </message>
</context>
<context>
    <name>TTimerReadout</name>
    <message>
        <source>Time is up</source>
        <translation>タイマー終了</translation>
    </message>
    <message>
        <source>%1 minute</source>
        <translation>%1分</translation>
    </message>
    <message>
        <source>%1 minutes</source>
        <translation>%1分</translation>
    </message>
    <message>
        <source>%1 second</source>
        <translation>%1秒</translation>
    </message>
    <message>
        <source>%1 seconds</source>
        <translation>%1秒</translation>
    </message>
    <message>
        <source>%1 %2</source>
        <comment>minutes, then seconds</comment>
        <translation>%1%2</translation>
    </message>
    <message>
        <source>%1, counting down</source>
        <translation>%1、カウントダウン中</translation>
    </message>
    <message>
        <source>%1, counting up</source>
        <translation>%1、カウントアップ中</translation>
    </message>
    <message>
        <source>%1, stopped</source>
        <translation>%1、停止中</translation>
    </message>
    <message>
        <source>%1, stopped, counts up</source>
        <translation>%1、停止中、次はカウントアップ</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>%1 left</source>
        <comment>a count-down&apos;s warning</comment>
        <translation>残り %1</translation>
    </message>
    <message>
        <source>round %1 begins</source>
        <translation>%1 回目が始まります</translation>
    </message>
    <message>
        <source>round %1 of %2 begins</source>
        <translation>%2 回中 %1 回目が始まります</translation>
    </message>
    <message>
        <source>%1 rounds ended; %2</source>
        <comment>rounds that ended while the computer slept, then the round that begins</comment>
        <translation>%1 回が終わりました。%2</translation>
    </message>
</context>
<context>
    <name>TTimerSpeaker</name>
    <message>
        <source>submenu</source>
        <translation>サブメニュー</translation>
    </message>
</context>
<context>
    <name>TimeArgument</name>
    <message>
        <source>&quot;%1&quot; is longer than 99:59</source>
        <translation>&quot;%1&quot; は 99:59 を超えています</translation>
    </message>
    <message>
        <source>an empty time was given</source>
        <translation>時間が空です</translation>
    </message>
    <message>
        <source>&quot;%1&quot;: hours are not accepted; the longest time is 99:59</source>
        <translation>&quot;%1&quot;: 時間の単位「時」は指定できません。最長は 99:59 です</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a time; write it as 5m, 90s, 1m30s, 3:30 or 5 (minutes)</source>
        <translation>&quot;%1&quot; は時間として読めません。5m、90s、1m30s、3:30、5 (分) のように書いてください</translation>
    </message>
    <message>
        <source>&quot;%1&quot;: the seconds must be 00 to 59</source>
        <translation>&quot;%1&quot;: 秒は 00 から 59 までです</translation>
    </message>
    <message>
        <source>&quot;%1&quot;: a time cannot be negative</source>
        <translation>&quot;%1&quot;: 負の時間は使えません</translation>
    </message>
    <message>
        <source>only one time may be given, not &quot;%1&quot;</source>
        <translation>時間は一つだけにしてください: &quot;%1&quot;</translation>
    </message>
    <message>
        <source>--status takes no time and no --start</source>
        <translation>--status には時間も --start も付けられません</translation>
    </message>
    <message>
        <source>--timer needs a name</source>
        <translation>--timer には名前が要ります</translation>
    </message>
    <message>
        <source>--timer NAME needs a time or --start</source>
        <translation>--timer NAME には時間か --start が要ります</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a time of day; write it as 17:30, 5:30pm or 5pm</source>
        <translation>&quot;%1&quot; は時刻ではありません。17:30、5:30pm、5pm のように書いてください</translation>
    </message>
    <message>
        <source>--until takes no other time, not &quot;%1&quot;</source>
        <translation>--until にほかの時間は付けられません: &quot;%1&quot;</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is now</source>
        <translation>&quot;%1&quot; は今の時刻です</translation>
    </message>
    <message>
        <source>&quot;%1&quot; does not exist tonight: the clocks go forward over it</source>
        <translation>&quot;%1&quot; は今夜ありません: 時計がその時刻を飛ばして進みます</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is %2 from now, longer than 99:59</source>
        <translation>&quot;%1&quot; は今から %2 後で、99:59 を超えています</translation>
    </message>
    <message>
        <source>--sound needs a file, or &quot;default&quot;</source>
        <translation>--sound にはファイルか &quot;default&quot; が要ります</translation>
    </message>
    <message>
        <source>&quot;%1&quot;: a file name with a line break cannot be kept in the settings</source>
        <translation>&quot;%1&quot;: 改行を含むファイル名は設定に残せません</translation>
    </message>
    <message>
        <source>&quot;%1&quot;: the volume is a whole number from 0 to 100</source>
        <translation>&quot;%1&quot;: 音量は 0 から 100 までの整数です</translation>
    </message>
    <message>
        <source>the sound &quot;%1&quot; cannot be played: %2</source>
        <translation>音 &quot;%1&quot; を鳴らせません: %2</translation>
    </message>
    <message>
        <source>the name &quot;%1&quot; is longer than %2 characters</source>
        <translation>名前 &quot;%1&quot; は %2 文字を超えています</translation>
    </message>
    <message>
        <source>--%1 and --%2 cannot be asked at once</source>
        <translation>--%1 と --%2 は同時に指定できません</translation>
    </message>
    <message>
        <source>--%1 takes no time and no other option</source>
        <translation>--%1 には時間もほかのオプションも指定できません</translation>
    </message>
    <message>
        <source>--%1 takes no time and no other option than --timer</source>
        <translation>--%1 には時間も --timer 以外のオプションも指定できません</translation>
    </message>
    <message>
        <source>--json goes with --status</source>
        <translation>--json は --status と共に指定します</translation>
    </message>
    <message>
        <source>&quot;%1&quot;: --repeat takes a count from 1 to 99, &quot;forever&quot; or &quot;off&quot;</source>
        <translation>&quot;%1&quot;: --repeat には 1 から 99 までの回数、&quot;forever&quot; または &quot;off&quot; を指定します</translation>
    </message>
</context>
<context>
    <name>TimerRecord</name>
    <message>
        <source>the timer kept in %1 is ignored: %2</source>
        <translation>%1 に残っていたタイマーは使いません: %2</translation>
    </message>
    <message>
        <source>a running timer without its moment</source>
        <translation>動いているタイマーの時刻がありません</translation>
    </message>
    <message>
        <source>%1=%2 cannot be read</source>
        <translation>%1=%2 が読めません</translation>
    </message>
    <message>
        <source>%1 に終了しました</source>
        <translation>%1 に終了しました</translation>
    </message>
    <message>
        <source>SECONDS=%1 is not a time from 00:00 to 99:59</source>
        <translation>SECONDS=%1 は 00:00 から 99:59 までの時間ではありません</translation>
    </message>
    <message>
        <source>the clock stands before the time it was kept at</source>
        <translation>時計が記録した時刻より前になっています</translation>
    </message>
    <message>
        <source>the timer kept in %1 is shown stopped: %2</source>
        <translation>%1 に残っていたタイマーは止めて表示します: %2</translation>
    </message>
</context>
<context>
    <name>TvlmBtnDraw</name>
    <message>
        <source>button face too large (%1 x %2)</source>
        <translation>ボタンの絵が大きすぎます (%1 x %2)</translation>
    </message>
</context>
<context>
    <name>TvlmFormFunc</name>
    <message>
        <source>No visible picture in &quot;%1&quot;</source>
        <translation>&quot;%1&quot; には見える部分がありません</translation>
    </message>
</context>
<context>
    <name>TvlmGctButton</name>
    <message>
        <source>Key: %1</source>
        <translation>キー: %1</translation>
    </message>
</context>
<context>
    <name>TvlmGlobal</name>
    <message>
        <source>&apos;%1&apos; のデータ型が不正です</source>
        <translation>&apos;%1&apos; のデータ型が不正です</translation>
    </message>
    <message>
        <source>キー %1 の作成に失敗しました</source>
        <translation>キー %1 の作成に失敗しました</translation>
    </message>
    <message>
        <source>&apos;%1&apos; の設定に失敗しました</source>
        <translation>&apos;%1&apos; の設定に失敗しました</translation>
    </message>
    <message>
        <source>%1 に書き込めません</source>
        <translation>%1 に書き込めません</translation>
    </message>
</context>
<context>
    <name>pocosa-archive</name>
    <message>
        <source>File changed while it was read</source>
        <translation>読み込み中にファイルが変わりました</translation>
    </message>
    <message>
        <source>%1 and %2: two entries of one name (letter case is ignored)</source>
        <translation>%1 と %2: 同じ名前の項目が二つになります (大文字と小文字は区別しません)</translation>
    </message>
    <message>
        <source>No such file</source>
        <translation>ファイルがありません</translation>
    </message>
    <message>
        <source>File too large for an archive entry</source>
        <translation>アーカイブの項目には大きすぎるファイルです</translation>
    </message>
    <message>
        <source>%1: no entry named %2</source>
        <translation>%1: %2 という項目はありません</translation>
    </message>
    <message>
        <source>The output file is the archive itself</source>
        <translation>出力先がアーカイブそのものです</translation>
    </message>
    <message>
        <source>usage: pocosa-archive create ARCHIVE FILE...
       pocosa-archive list ARCHIVE
       pocosa-archive extract ARCHIVE NAME OUTFILE
ARCHIVE of create and OUTFILE may be - for standard output.
</source>
        <translation>使い方: pocosa-archive create ARCHIVE FILE...
        pocosa-archive list ARCHIVE
        pocosa-archive extract ARCHIVE NAME OUTFILE
create の ARCHIVE と OUTFILE に - を指定すると標準出力に書きます。
</translation>
    </message>
    <message>
        <source>Cannot write to standard output. %1</source>
        <translation>標準出力に書き込めません。%1</translation>
    </message>
    <message>
        <source>Cannot write to file &quot;%1&quot;. %2</source>
        <translation>ファイル &quot;%1&quot; に書き込めません。%2</translation>
    </message>
</context>
<context>
    <name>pocosa-picture</name>
    <message>
        <source>usage: pocosa-picture info FILE...
       pocosa-picture convert FILE OUT.png
</source>
        <translation>使い方: pocosa-picture info FILE...
        pocosa-picture convert FILE OUT.png
</translation>
    </message>
    <message>
        <source>no picture (no decoder for this extension)</source>
        <translation>画像がありません (この拡張子を読むデコーダがありません)</translation>
    </message>
    <message>
        <source>no picture (0 pixels)</source>
        <translation>画像がありません (0 ピクセル)</translation>
    </message>
    <message>
        <source>cannot write</source>
        <translation>書き込めません</translation>
    </message>
    <message>
        <source>standard output</source>
        <translation>標準出力</translation>
    </message>
    <message>
        <source>cannot write: %1</source>
        <translation>書き込めません: %1</translation>
    </message>
</context>
</TS>
