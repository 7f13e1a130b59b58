<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja">
<context>
    <name>v2m::TAboutForm</name>
    <message>
        <source>About</source>
        <translation>バージョン情報</translation>
    </message>
    <message>
        <source>Home:</source>
        <translation>サイト：</translation>
    </message>
    <message>
        <source>Support:</source>
        <translation>サポート：</translation>
    </message>
    <message>
        <source></source>
        <comment>The About box (About &gt; About): the program&apos;s name and version, its home page and support address.</comment>
        <translation></translation>
    </message>
</context>
<context>
    <name>v2m::TCoreTexts</name>
    <message>
        <source></source>
        <comment>Words the conversion logic names and the main window shows: the file list&apos;s column titles, a row&apos;s state in its Progress column, the labels and items of the four lists in Profile Settings, the names of the file dialogs&apos; filters, why a failed row failed (its tool tip and the list of files that could not be converted), and why a row&apos;s cover picture is left out (the row&apos;s tool tip; %1, %2 and %3 are numbers). The log keeps them in English.</comment>
        <translation></translation>
    </message>
    <message>
        <source>Name</source>
        <translation>名前</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>再生時間</translation>
    </message>
    <message>
        <source>Original Size</source>
        <translation>元のサイズ</translation>
    </message>
    <message>
        <source>Output</source>
        <translation>出力</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>進行状況</translation>
    </message>
    <message>
        <source>Output Size</source>
        <translation>出力サイズ</translation>
    </message>
    <message>
        <source>Audio</source>
        <translation>オーディオ</translation>
    </message>
    <message>
        <source>Parts</source>
        <translation>パート</translation>
    </message>
    <message>
        <source>Waiting</source>
        <translation>待機中</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>失敗</translation>
    </message>
    <message>
        <source>Completed</source>
        <translation>完了</translation>
    </message>
    <message>
        <source>Skipped</source>
        <translation>スキップ</translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>No audio</source>
        <translation>音声なし</translation>
    </message>
    <message>
        <source>N/A</source>
        <translation>不明</translation>
    </message>
    <message>
        <source>Quality</source>
        <translation>品質</translation>
    </message>
    <message>
        <source>Channels</source>
        <translation>チャンネル</translation>
    </message>
    <message>
        <source>Bit Rates (Kbps)</source>
        <translation>ビットレート(Kbps)</translation>
    </message>
    <message>
        <source>Volume (%)</source>
        <translation>音量 (%)</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>自動</translation>
    </message>
    <message>
        <source>Mono</source>
        <translation>モノラル</translation>
    </message>
    <message>
        <source>Stereo</source>
        <translation>ステレオ</translation>
    </message>
    <message>
        <source>Video Files</source>
        <translation>動画ファイル</translation>
    </message>
    <message>
        <source>All Files</source>
        <translation>すべてのファイル</translation>
    </message>
    <message>
        <source>Cue Sheets</source>
        <translation>CUE シート</translation>
    </message>
    <message>
        <source>Text Files</source>
        <translation>テキストファイル</translation>
    </message>
    <message>
        <source>cut does not fit</source>
        <translation>トリミング範囲がファイルに収まりません</translation>
    </message>
    <message>
        <source>has no audio track</source>
        <translation>音声トラックがありません</translation>
    </message>
    <message>
        <source>is not a media file the libraries can read</source>
        <translation>ライブラリで読み込めるメディアファイルではありません</translation>
    </message>
    <message>
        <source>no such file</source>
        <translation>ファイルがありません</translation>
    </message>
    <message>
        <source>No space left on device</source>
        <translation>デバイスに空き領域がありません</translation>
    </message>
    <message>
        <source>Disk quota exceeded</source>
        <translation>ディスククォータを超えました</translation>
    </message>
    <message>
        <source>Read-only file system</source>
        <translation>読み取り専用のファイルシステムです</translation>
    </message>
    <message>
        <source>Permission denied</source>
        <translation>アクセスが拒否されました</translation>
    </message>
    <message>
        <source>File too large</source>
        <translation>ファイルが大きすぎます</translation>
    </message>
    <message>
        <source>Input/output error</source>
        <translation>入出力エラー</translation>
    </message>
    <message>
        <source>The cover picture is left out: %1</source>
        <translation>カバー画像を省きます：%1</translation>
    </message>
    <message>
        <source>the file has no such picture</source>
        <translation>ファイルにその画像がありません</translation>
    </message>
    <message>
        <source>it is larger than %1 MiB</source>
        <translation>%1 MiB を超えています</translation>
    </message>
    <message>
        <source>it is not a picture we can read</source>
        <translation>読み取れる画像ではありません</translation>
    </message>
    <message>
        <source>it does not decode as a picture</source>
        <translation>画像としてデコードできません</translation>
    </message>
    <message>
        <source>it is %1x%2 pixels, more than %3 a side</source>
        <translation>%1×%2 ピクセルで、一辺が %3 を超えています</translation>
    </message>
    <message>
        <source>The cut ends at %1, not after its start at %2</source>
        <translation>トリミングの終了位置 %1 が開始位置 %2 より後ではありません</translation>
    </message>
    <message>
        <source>The cut starts at %1, past the end of the file (%2)</source>
        <translation>トリミングの開始位置 %1 がファイルの終わり (%2) より後です</translation>
    </message>
    <message>
        <source>No piece of the file lies within the cut from %1 to %2</source>
        <translation>%1 から %2 までのトリミング範囲にファイルのパートがありません</translation>
    </message>
    <message>
        <source>File name too long: %1</source>
        <translation>ファイル名が長すぎます：%1</translation>
    </message>
    <message>
        <source>No free output name: %1 and %2 numbered names are taken</source>
        <translation>空いている出力名がありません：%1 と番号付きの名前 %2 個が使用済みです</translation>
    </message>
    <message>
        <source>cannot be read</source>
        <translation>読み込めません</translation>
    </message>
    <message>
        <source>it is not a file</source>
        <translation>ファイルではありません</translation>
    </message>
    <message>
        <source>is too large for a list of split points</source>
        <translation>分割点のリストとしては大きすぎます</translation>
    </message>
    <message>
        <source>is not a cue sheet that can be read</source>
        <translation>読み込める CUE シートではありません</translation>
    </message>
    <message>
        <source>the cue sheet holds no track</source>
        <translation>CUE シートにトラックがありません</translation>
    </message>
    <message>
        <source>the cue sheet&apos;s tracks lie in more than one audio file</source>
        <translation>CUE シートのトラックが複数の音声ファイルにまたがっています</translation>
    </message>
    <message>
        <source>the list holds no time stamps</source>
        <translation>リストにタイムスタンプがありません</translation>
    </message>
    <message>
        <source>there are no points to split at</source>
        <translation>分割点がありません</translation>
    </message>
    <message>
        <source>File name template</source>
        <translation>ファイル名テンプレート</translation>
    </message>
    <message>
        <source>the name template is empty</source>
        <translation>名前テンプレートが空です</translation>
    </message>
    <message>
        <source>only {track} and {n} can be padded</source>
        <translation>ゼロ埋めできるのは {track} と {n} だけです</translation>
    </message>
    <message>
        <source>write the width as :01 to :09</source>
        <translation>桁数は :01 から :09 で指定してください</translation>
    </message>
    <message>
        <source>unmatched } (write }} for a brace)</source>
        <translation>対応のない } です (波かっこは }} と書きます)</translation>
    </message>
    <message>
        <source>unclosed { (write {{ for a brace)</source>
        <translation>閉じていない { です (波かっこは {{ と書きます)</translation>
    </message>
    <message>
        <source>track %1 has no INDEX 01</source>
        <translation>トラック %1 に INDEX 01 がありません</translation>
    </message>
    <message>
        <source>%1 is before the start of the file</source>
        <translation>%1 はファイルの先頭より前です</translation>
    </message>
    <message>
        <source>%1 comes before the point above it (%2)</source>
        <translation>%1 は前の分割点 (%2) より前です</translation>
    </message>
    <message>
        <source>%1 repeats the point above it</source>
        <translation>%1 は前の分割点と同じです</translation>
    </message>
    <message>
        <source>%1 is at the end of the file (%2)</source>
        <translation>%1 はファイルの終わり (%2) にあります</translation>
    </message>
    <message>
        <source>%1 is past the end of the file (%2)</source>
        <translation>%1 はファイルの終わり (%2) より後です</translation>
    </message>
    <message>
        <source>unknown placeholder {%1}</source>
        <translation>不明なプレースホルダー {%1}</translation>
    </message>
    <message>
        <source>line %1</source>
        <translation>%1 行目</translation>
    </message>
    <message>
        <source>point %1</source>
        <translation>分割点 %1</translation>
    </message>
    <message>
        <source>not a folder</source>
        <translation>フォルダーではありません</translation>
    </message>
    <message>
        <source>the journal is cut short</source>
        <translation>ファイルが途中で切れています</translation>
    </message>
    <message>
        <source>not understood</source>
        <translation>解釈できません</translation>
    </message>
    <message>
        <source>damaged</source>
        <translation>破損しています</translation>
    </message>
    <message>
        <source>text after the end</source>
        <translation>終端の後に文字があります</translation>
    </message>
    <message>
        <source>not a list journal</source>
        <translation>保存されたファイルリストではありません</translation>
    </message>
    <message>
        <source>written by a newer version (%1)</source>
        <translation>新しいバージョンで書き込まれています（%1）</translation>
    </message>
    <message>
        <source>a track of it cannot be decoded</source>
        <translation>トラックの一つをデコードできません</translation>
    </message>
    <message>
        <source>the encoder does not start with these settings</source>
        <translation>この設定ではエンコーダーを開始できません</translation>
    </message>
    <message>
        <source>the libraries here have no encoder for this profile</source>
        <translation>このシステムのライブラリにはこのプロファイル用のエンコーダーがありません</translation>
    </message>
    <message>
        <source>encoding failed</source>
        <translation>エンコードに失敗しました</translation>
    </message>
</context>
<context>
    <name>v2m::TCutDialog</name>
    <message>
        <source>Cut</source>
        <translation>トリミング</translation>
    </message>
    <message>
        <source>Use Preview Position</source>
        <translation>プレビューの位置を使用</translation>
    </message>
    <message>
        <source>%1 is not a time; write h:mm:ss.xxx, mm:ss or seconds</source>
        <translation>%1の形式が正しくありません。h:mm:ss.xxx、mm:ss、または秒数で入力してください</translation>
    </message>
    <message>
        <source>The start</source>
        <translation>開始位置</translation>
    </message>
    <message>
        <source>The end</source>
        <translation>終了位置</translation>
    </message>
    <message>
        <source>The end must come after the start</source>
        <translation>終了位置は開始位置より後にしてください</translation>
    </message>
    <message>
        <source>The start lies past the end of the file (%1)</source>
        <translation>開始位置がファイルの末尾 (%1) より後にあります</translation>
    </message>
    <message>
        <source></source>
        <comment>The Cut dialog, from a row&apos;s context menu in the file list: the start and end of the stretch of the file to convert, typed as times or taken from the preview&apos;s position.</comment>
        <translation></translation>
    </message>
    <message>
        <source>file start</source>
        <translation>ファイルの先頭</translation>
    </message>
    <message>
        <source>file end</source>
        <translation>ファイルの末尾</translation>
    </message>
    <message>
        <source>h:mm:ss.xxx, mm:ss or seconds</source>
        <translation>h:mm:ss.xxx、mm:ss、または秒数</translation>
    </message>
    <message>
        <source>&amp;Start</source>
        <translation>開始(&amp;S)</translation>
    </message>
    <message>
        <source>&amp;End</source>
        <translation>終了(&amp;E)</translation>
    </message>
    <message>
        <source>Start at the Preview Position</source>
        <translation>開始位置をプレビューの位置に設定</translation>
    </message>
    <message>
        <source>End at the Preview Position</source>
        <translation>終了位置をプレビューの位置に設定</translation>
    </message>
    <message>
        <source>Dialog Buttons</source>
        <translation>ダイアログのボタン</translation>
    </message>
</context>
<context>
    <name>v2m::TFileListModel</name>
    <message>
        <source>re-encoded: pieces are cut to the sample</source>
        <translation>再エンコード：各パートはサンプル単位で正確に切り出されます</translation>
    </message>
    <message>
        <source></source>
        <comment>The file list in the main window: tool tips, the spoken description of a row, and the Parts and Output columns&apos; counts (&quot;3 pieces, cut 3:25&quot;, &quot;song.mp3 + 2 more&quot;); times stay as they are.</comment>
        <translation></translation>
    </message>
    <message>
        <source>Converting</source>
        <translation>変換中</translation>
    </message>
    <message>
        <source>%1, %2, %3, %4 percent</source>
        <translation>%1、%2、%3、%4 パーセント</translation>
    </message>
    <message>
        <source>%1 MB</source>
        <translation>%1 MB</translation>
    </message>
    <message numerus="yes">
        <source>%n piece(s)</source>
        <translation>
            <numerusform>%n パート</numerusform>
        </translation>
    </message>
    <message>
        <source>cut from %1</source>
        <translation>%1 からトリミング</translation>
    </message>
    <message>
        <source>cut %1</source>
        <translation>トリミング %1</translation>
    </message>
    <message>
        <source>, </source>
        <translation>、</translation>
    </message>
    <message numerus="yes">
        <source>%1 + %n more</source>
        <translation>
            <numerusform>%1 ほか %n 件</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>v2m::TForm1</name>
    <message>
        <source>Audio &amp;Track</source>
        <translation>音声トラック(&amp;T)</translation>
    </message>
    <message>
        <source>Audio Track for &amp;All</source>
        <translation>すべてのファイルの音声トラック(&amp;A)</translation>
    </message>
    <message>
        <source>The desktop could not open this. Copy it into a browser or a file manager:

%1</source>
        <translation>デスクトップ環境で開けませんでした。ブラウザーまたはファイルマネージャーにコピーしてください：

%1</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>The output folder &quot;%1&quot; does not exist. Create it?</source>
        <translation>出力フォルダー「%1」は存在しません。作成しますか？</translation>
    </message>
    <message>
        <source>The output folder could not be created: %1. Please select another folder.</source>
        <translation>出力フォルダーを作成できませんでした：%1。別のフォルダーを選択してください。</translation>
    </message>
    <message>
        <source>Output folder is unavailable. Please select another folder.</source>
        <translation>出力フォルダーを使用できません。別のフォルダーを選択してください。</translation>
    </message>
    <message>
        <source>Nothing to convert: no file of the list has audio</source>
        <translation>変換するものがありません：リスト内のどのファイルにも音声がありません</translation>
    </message>
    <message>
        <source>Some items have been converted already, do you want to re-convert them?</source>
        <translation>一部の項目は既に変換されています。もう一度変換しますか？</translation>
    </message>
    <message>
        <source>The conversion could not be started - see the log</source>
        <translation>変換を開始できませんでした。ログを確認してください</translation>
    </message>
    <message>
        <source>No file could be converted - see the log</source>
        <translation>どのファイルも変換できませんでした。ログを確認してください</translation>
    </message>
    <message>
        <source>Cancel Conversion.</source>
        <translation>変換のキャンセル</translation>
    </message>
    <message>
        <source>Are you sure you want to cancel conversion?</source>
        <translation>変換をキャンセルしてもよろしいですか？</translation>
    </message>
    <message>
        <source>Convert completed.</source>
        <translation>変換完了</translation>
    </message>
    <message>
        <source>Do you want to open output folder?</source>
        <translation>出力フォルダーを開きますか？</translation>
    </message>
    <message>
        <source>Paused - </source>
        <translation>一時停止中 - </translation>
    </message>
    <message>
        <source>The conversion libraries could not be loaded - see the log</source>
        <translation>変換ライブラリを読み込めませんでした。ログを確認してください</translation>
    </message>
    <message>
        <source>A conversion is running. Stop it and quit?</source>
        <translation>変換を実行中です。停止して終了しますか？</translation>
    </message>
    <message>
        <source>&amp;Resume</source>
        <translation>再開(&amp;R)</translation>
    </message>
    <message>
        <source>Normalize Loudness sets the volume (Convert menu)</source>
        <translation>音量は「ラウドネスを正規化」で設定されます（[変換] メニュー）</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>クリア</translation>
    </message>
    <message>
        <source>Some files of the list have not been converted yet. Clear the list?</source>
        <translation>リストにはまだ変換されていないファイルがあります。リストをクリアしますか？</translation>
    </message>
    <message>
        <source>Select folder</source>
        <translation>フォルダーの選択</translation>
    </message>
    <message>
        <source>No sound device - picture only</source>
        <translation>サウンドデバイスがありません（映像のみ）</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>プレビュー</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>消音</translation>
    </message>
    <message>
        <source>Profile</source>
        <translation>プロファイル</translation>
    </message>
    <message>
        <source>Output Folder</source>
        <translation>出力フォルダー</translation>
    </message>
    <message>
        <source>Browse</source>
        <translation>参照</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>開く</translation>
    </message>
    <message>
        <source>Same folder as input </source>
        <translation>入力と同じフォルダー </translation>
    </message>
    <message>
        <source>File Name</source>
        <translation>ファイル名</translation>
    </message>
    <message>
        <source>{name} {title} {artist} {album} {albumartist} {track} {date} {year} {genre} {chapter} {n} {n:02} {profile}; &quot;/&quot; makes sub-folders</source>
        <translation>{name} {title} {artist} {album} {albumartist} {track} {date} {year} {genre} {chapter} {n} {n:02} {profile}；「/」でサブフォルダーを作成します</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>進行状況</translation>
    </message>
    <message>
        <source>Profile Settings</source>
        <translation>プロファイル設定</translation>
    </message>
    <message>
        <source>&amp;Add Files...</source>
        <translation>ファイルを追加(&amp;A)...</translation>
    </message>
    <message>
        <source>Add Files</source>
        <translation>ファイル追加</translation>
    </message>
    <message>
        <source>Add F&amp;older...</source>
        <translation>フォルダーを追加(&amp;O)...</translation>
    </message>
    <message>
        <source>Cancel Adding</source>
        <translation>追加をキャンセル</translation>
    </message>
    <message>
        <source>&amp;Skin</source>
        <translation>スキン(&amp;S)</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>終了(&amp;X)</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>削除(&amp;R)</translation>
    </message>
    <message>
        <source>&amp;Clear</source>
        <translation>クリア(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Start</source>
        <translation>開始(&amp;S)</translation>
    </message>
    <message>
        <source>&amp;Pause</source>
        <translation>一時停止(&amp;P)</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>再開</translation>
    </message>
    <message>
        <source>St&amp;op</source>
        <translation>停止(&amp;O)</translation>
    </message>
    <message>
        <source>Convert All A&amp;gain</source>
        <translation>すべて再変換(&amp;G)</translation>
    </message>
    <message>
        <source>&amp;Help Content</source>
        <translation>ヘルプの内容(&amp;H)</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>ヘルプ</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>バージョン情報(&amp;A)</translation>
    </message>
    <message>
        <source>&amp;Visit Website</source>
        <translation>Web サイトを開く(&amp;V)</translation>
    </message>
    <message>
        <source>Visit Home</source>
        <translation>ホームページ</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>再生</translation>
    </message>
    <message>
        <source>Stop Preview</source>
        <translation>プレビューを停止</translation>
    </message>
    <message>
        <source>View &amp;Log</source>
        <translation>ログを表示(&amp;L)</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>終了</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>ファイル(&amp;F)</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>編集(&amp;E)</translation>
    </message>
    <message>
        <source>&amp;Convert</source>
        <translation>変換(&amp;C)</translation>
    </message>
    <message>
        <source>Si&amp;multaneous Conversions</source>
        <translation>同時変換数(&amp;M)</translation>
    </message>
    <message>
        <source>One per Processor</source>
        <translation>プロセッサごとに 1 つ</translation>
    </message>
    <message>
        <source>Copy &amp;Tags</source>
        <translation>タグをコピー(&amp;T)</translation>
    </message>
    <message>
        <source>Use a &amp;Video Frame as Cover</source>
        <translation>動画のフレームをカバーに使用(&amp;V)</translation>
    </message>
    <message>
        <source>&amp;Copy Audio When Possible</source>
        <translation>可能な場合は音声をコピー(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Normalize Loudness</source>
        <translation>ラウドネスを正規化(&amp;N)</translation>
    </message>
    <message>
        <source>Loudness T&amp;arget</source>
        <translation>ラウドネスの目標値(&amp;A)</translation>
    </message>
    <message>
        <source>%1 LUFS</source>
        <translation>%1 LUFS</translation>
    </message>
    <message>
        <source>Split by C&amp;hapters</source>
        <translation>チャプターで分割(&amp;H)</translation>
    </message>
    <message>
        <source>S&amp;kip Files Already Converted</source>
        <translation>変換済みのファイルをスキップ(&amp;K)</translation>
    </message>
    <message>
        <source>Open file</source>
        <translation>ファイルを開く</translation>
    </message>
    <message>
        <source>Add video files to extract their audio</source>
        <translation>音声を抽出する動画ファイルを追加してください</translation>
    </message>
    <message>
        <source>The file name &quot;%1&quot; cannot be used: %2.</source>
        <translation>ファイル名「%1」は使用できません：%2。</translation>
    </message>
    <message>
        <source>Split by &amp;Chapters</source>
        <translation>チャプターで分割(&amp;C)</translation>
    </message>
    <message>
        <source>Split &amp;Points from File...</source>
        <translation>ファイルから分割点を読み込む(&amp;P)...</translation>
    </message>
    <message>
        <source>Split Points from File</source>
        <translation>ファイルから分割点を読み込む</translation>
    </message>
    <message>
        <source>C&amp;lear Split Points</source>
        <translation>分割点をクリア(&amp;L)</translation>
    </message>
    <message>
        <source>C&amp;ut...</source>
        <translation>トリミング(&amp;U)...</translation>
    </message>
    <message>
        <source>&amp;Remove Cut</source>
        <translation>トリミングを解除(&amp;R)</translation>
    </message>
    <message>
        <source></source>
        <comment>The main window: its menus, tool bar, the preview, the Profile and Profile Settings groups, the status line below them, and its message boxes. Keep the accelerators (&amp;) unique within each menu; tool bar texts (Add Files, Help, Visit Home) sit under 32-pixel icons, so keep them short.</comment>
        <translation></translation>
    </message>
    <message>
        <source>%1 of %2 files</source>
        <translation>%1 / %2 ファイル</translation>
    </message>
    <message>
        <source> - %1x real time</source>
        <translation> - 実時間の %1 倍速</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 秒</translation>
    </message>
    <message>
        <source>%1 min</source>
        <translation>%1 分</translation>
    </message>
    <message>
        <source>%1 h %2 min</source>
        <translation>%1 時間 %2 分</translation>
    </message>
    <message>
        <source> - about %1 left</source>
        <translation> - 残り約 %1</translation>
    </message>
    <message>
        <source>%L1 converted</source>
        <translation>変換済み %L1</translation>
    </message>
    <message>
        <source>, %L1 skipped</source>
        <translation>、スキップ %L1</translation>
    </message>
    <message>
        <source>, %L1 failed</source>
        <translation>、失敗 %L1</translation>
    </message>
    <message>
        <source>, %L1 stopped</source>
        <translation>、停止 %L1</translation>
    </message>
    <message>
        <source>%L1 file converted</source>
        <translation>%L1 個のファイルを変換済み</translation>
    </message>
    <message>
        <source>%L1 files converted</source>
        <translation>%L1 個のファイルを変換済み</translation>
    </message>
    <message>
        <source>%L1 of %L2 files could not be converted:</source>
        <translation>%L2 個中 %L1 個のファイルを変換できませんでした：</translation>
    </message>
    <message>
        <source>Converting %1 files</source>
        <translation>%1 個のファイルを変換中</translation>
    </message>
    <message>
        <source>Adding %L1 of %L2 files...</source>
        <translation>ファイルを追加中 (%L1 / %L2)...</translation>
    </message>
    <message>
        <source>The last conversion was interrupted. Resume the %L1 remaining files?</source>
        <translation>前回の変換は中断されました。残りの %L1 個のファイルの変換を再開しますか？</translation>
    </message>
    <message>
        <source>Files to Convert</source>
        <translation>変換するファイル</translation>
    </message>
    <message>
        <source>Preview Picture</source>
        <translation>プレビュー画像</translation>
    </message>
    <message>
        <source>Preview Position</source>
        <translation>プレビューの位置</translation>
    </message>
    <message>
        <source>Play or Pause Preview</source>
        <translation>プレビューを再生または一時停止</translation>
    </message>
    <message>
        <source>Preview Volume</source>
        <translation>プレビューの音量</translation>
    </message>
    <message>
        <source>Total Progress</source>
        <translation>全体の進行状況</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>状態</translation>
    </message>
    <message>
        <source>Each row reads: file name, duration, state, progress</source>
        <translation>各行の内容：ファイル名、再生時間、状態、進行状況</translation>
    </message>
    <message>
        <source>Click to play or pause the selected file</source>
        <translation>クリックすると、選択したファイルを再生または一時停止します</translation>
    </message>
    <message>
        <source>Where the preview stands in the selected file</source>
        <translation>選択したファイル内でのプレビューの現在位置</translation>
    </message>
    <message>
        <source>Choose the folder the converted files go to</source>
        <translation>変換したファイルの保存先フォルダーを選択します</translation>
    </message>
    <message>
        <source>Show the output folder in the file manager</source>
        <translation>出力フォルダーをファイルマネージャーで表示します</translation>
    </message>
    <message>
        <source>The format the files are converted to</source>
        <translation>ファイルの変換先の形式</translation>
    </message>
    <message>
        <source>&amp;Loudness</source>
        <translation>ラウドネス(&amp;L)</translation>
    </message>
    <message>
        <source>Loudness</source>
        <translation>ラウドネス</translation>
    </message>
    <message>
        <source>Normalize as &amp;Album</source>
        <translation>アルバム単位で正規化(&amp;A)</translation>
    </message>
    <message>
        <source>The files sharing a folder take one gain</source>
        <translation>同じフォルダー内のファイルには同じゲインを適用します</translation>
    </message>
    <message>
        <source>Loudness: &amp;Tag Only</source>
        <translation>ラウドネス：タグのみ(&amp;T)</translation>
    </message>
    <message>
        <source>The gain goes into tags that players apply</source>
        <translation>ゲインはタグに書き込まれ、再生時にプレーヤーが適用します</translation>
    </message>
    <message>
        <source>Measuring loudness: 0 of %1 files</source>
        <translation>ラウドネスを測定中：%1 ファイル中 0 ファイル完了</translation>
    </message>
    <message>
        <source>Measuring loudness: %1 of %2 files</source>
        <translation>ラウドネスを測定中：%2 ファイル中 %1 ファイル完了</translation>
    </message>
    <message>
        <source>Loudness measured: %1 files</source>
        <translation>ラウドネスを測定しました：%1 ファイル</translation>
    </message>
    <message>
        <source>Loudness measuring stopped</source>
        <translation>ラウドネスの測定を停止しました</translation>
    </message>
    <message>
        <source>Analyze &amp;Loudness</source>
        <translation>ラウドネスを分析(&amp;L)</translation>
    </message>
    <message numerus="yes">
        <source>%Ln file(s) could not be added - see the log</source>
        <translation>
            <numerusform>%Ln 個のファイルを追加できませんでした。ログを確認してください</numerusform>
        </translation>
    </message>
    <message>
        <source>Cannot be converted: %1</source>
        <translation>変換できません：%1</translation>
    </message>
    <message>
        <source>Gives:</source>
        <translation>出力：</translation>
    </message>
    <message numerus="yes">
        <source>Gives %n files:</source>
        <translation>
            <numerusform>出力 %n ファイル：</numerusform>
        </translation>
    </message>
    <message>
        <source>(%1 for %2)</source>
        <extracomment>A piece&apos;s start and its length: &quot;(0:02 for 0:30)&quot;.</extracomment>
        <translation>（開始 %1、長さ %2）</translation>
    </message>
    <message>
        <source>there already: skipped</source>
        <translation>既に存在：スキップ</translation>
    </message>
    <message>
        <source>audio copied</source>
        <translation>音声をコピー</translation>
    </message>
    <message>
        <source>The saved file list %1 cannot be read (%2) nor set aside; the list starts empty and is not saved.</source>
        <translation>保存されたファイルリスト %1 を読み込めず（%2）、退避もできません。リストは空で始まり、保存されません。</translation>
    </message>
    <message>
        <source>The saved file list %1 cannot be read (%2); it was kept as %3 and the list starts empty.</source>
        <translation>保存されたファイルリスト %1 を読み込めません（%2）。%3 として保管し、リストは空で始まります。</translation>
    </message>
</context>
<context>
    <name>v2m::TLogForm</name>
    <message>
        <source>Log</source>
        <translation>ログ</translation>
    </message>
    <message>
        <source></source>
        <comment>The log window (File &gt; View Log): a read-only copy of the conversion log, which itself stays in English for whoever gives support.</comment>
        <translation></translation>
    </message>
</context>
<context>
    <name>v2m::TQtUiServices</name>
    <message>
        <source></source>
        <comment>Dialogs the main window shares: the list of files that could not be converted, and the extra check box of the &quot;Add Folder&quot; dialog.</comment>
        <translation></translation>
    </message>
    <message>
        <source>Show &amp;Log</source>
        <translation>ログを表示(&amp;L)</translation>
    </message>
    <message>
        <source>Include Sub-folders</source>
        <translation>サブフォルダーを含める</translation>
    </message>
    <message>
        <source>Dialog Buttons</source>
        <translation>ダイアログのボタン</translation>
    </message>
</context>
<context>
    <name>v2m::TSkinDialog</name>
    <message>
        <source>Select skin</source>
        <translation>スキンの選択</translation>
    </message>
    <message>
        <source></source>
        <comment>The skin choice (File &gt; Skin): a list of looks for the window, with OK and Cancel.</comment>
        <translation></translation>
    </message>
    <message>
        <source>Skins</source>
        <translation>スキン</translation>
    </message>
    <message>
        <source>Dialog Buttons</source>
        <translation>ダイアログのボタン</translation>
    </message>
    <message>
        <source>System</source>
        <translation>システム</translation>
    </message>
</context>
</TS>
