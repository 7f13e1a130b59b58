<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>v2m::TAboutForm</name>
    <message>
        <source>About</source>
        <translation>关于</translation>
    </message>
    <message>
        <source>Home:</source>
        <translation>主页：</translation>
    </message>
    <message>
        <source>Support:</source>
        <translation>支持：</translation>
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
        <translation>名称</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>时长</translation>
    </message>
    <message>
        <source>Original Size</source>
        <translation>原始大小</translation>
    </message>
    <message>
        <source>Output</source>
        <translation>输出</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>进度</translation>
    </message>
    <message>
        <source>Output Size</source>
        <translation>输出大小</translation>
    </message>
    <message>
        <source>Audio</source>
        <translation>音频</translation>
    </message>
    <message>
        <source>Parts</source>
        <translation>分段</translation>
    </message>
    <message>
        <source>Waiting</source>
        <translation>等待中</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>失败</translation>
    </message>
    <message>
        <source>Completed</source>
        <translation>已完成</translation>
    </message>
    <message>
        <source>Skipped</source>
        <translation>已跳过</translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation>已停止</translation>
    </message>
    <message>
        <source>No audio</source>
        <translation>无音频</translation>
    </message>
    <message>
        <source>N/A</source>
        <translation>未知</translation>
    </message>
    <message>
        <source>Quality</source>
        <translation>质量</translation>
    </message>
    <message>
        <source>Channels</source>
        <translation>声道</translation>
    </message>
    <message>
        <source>Bit Rates (Kbps)</source>
        <translation>比特率 (Kbps)</translation>
    </message>
    <message>
        <source>Volume (%)</source>
        <translation>音量 (%)</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>自动</translation>
    </message>
    <message>
        <source>Mono</source>
        <translation>单声道</translation>
    </message>
    <message>
        <source>Stereo</source>
        <translation>立体声</translation>
    </message>
    <message>
        <source>Video Files</source>
        <translation>视频文件</translation>
    </message>
    <message>
        <source>All Files</source>
        <translation>所有文件</translation>
    </message>
    <message>
        <source>Cue Sheets</source>
        <translation>CUE 文件</translation>
    </message>
    <message>
        <source>Text Files</source>
        <translation>文本文件</translation>
    </message>
    <message>
        <source>cut does not fit</source>
        <translation>裁剪范围超出文件</translation>
    </message>
    <message>
        <source>has no audio track</source>
        <translation>没有音轨</translation>
    </message>
    <message>
        <source>is not a media file the libraries can read</source>
        <translation>不是程序库能读取的媒体文件</translation>
    </message>
    <message>
        <source>no such file</source>
        <translation>文件不存在</translation>
    </message>
    <message>
        <source>No space left on device</source>
        <translation>设备上没有空间</translation>
    </message>
    <message>
        <source>Disk quota exceeded</source>
        <translation>超出磁盘配额</translation>
    </message>
    <message>
        <source>Read-only file system</source>
        <translation>只读文件系统</translation>
    </message>
    <message>
        <source>Permission denied</source>
        <translation>权限不够</translation>
    </message>
    <message>
        <source>File too large</source>
        <translation>文件过大</translation>
    </message>
    <message>
        <source>Input/output error</source>
        <translation>输入/输出错误</translation>
    </message>
    <message>
        <source>The cover picture is left out: %1</source>
        <translation>不包含封面图片：%1</translation>
    </message>
    <message>
        <source>the file has no such picture</source>
        <translation>文件中没有该图片</translation>
    </message>
    <message>
        <source>it is larger than %1 MiB</source>
        <translation>超过 %1 MiB</translation>
    </message>
    <message>
        <source>it is not a picture we can read</source>
        <translation>不是可读取的图片</translation>
    </message>
    <message>
        <source>it does not decode as a picture</source>
        <translation>无法解码为图片</translation>
    </message>
    <message>
        <source>it is %1x%2 pixels, more than %3 a side</source>
        <translation>尺寸为 %1×%2 像素，单边超过 %3</translation>
    </message>
    <message>
        <source>The cut ends at %1, not after its start at %2</source>
        <translation>裁剪结束于 %1，不在其开始 %2 之后</translation>
    </message>
    <message>
        <source>The cut starts at %1, past the end of the file (%2)</source>
        <translation>裁剪开始于 %1，已超出文件结尾 (%2)</translation>
    </message>
    <message>
        <source>No piece of the file lies within the cut from %1 to %2</source>
        <translation>文件没有任何部分位于 %1 到 %2 的裁剪范围内</translation>
    </message>
    <message>
        <source>File name too long: %1</source>
        <translation>文件名过长：%1</translation>
    </message>
    <message>
        <source>No free output name: %1 and %2 numbered names are taken</source>
        <translation>没有可用的输出名：%1 及 %2 个编号名称均已被占用</translation>
    </message>
    <message>
        <source>cannot be read</source>
        <translation>无法读取</translation>
    </message>
    <message>
        <source>it is not a file</source>
        <translation>不是文件</translation>
    </message>
    <message>
        <source>is too large for a list of split points</source>
        <translation>作为分割点列表过大</translation>
    </message>
    <message>
        <source>is not a cue sheet that can be read</source>
        <translation>不是可读取的 CUE 文件</translation>
    </message>
    <message>
        <source>the cue sheet holds no track</source>
        <translation>CUE 文件中没有音轨</translation>
    </message>
    <message>
        <source>the cue sheet&apos;s tracks lie in more than one audio file</source>
        <translation>CUE 文件的音轨分布在多个音频文件中</translation>
    </message>
    <message>
        <source>the list holds no time stamps</source>
        <translation>列表中没有时间戳</translation>
    </message>
    <message>
        <source>there are no points to split at</source>
        <translation>没有分割点</translation>
    </message>
    <message>
        <source>File name template</source>
        <translation>文件名模板</translation>
    </message>
    <message>
        <source>the name template is empty</source>
        <translation>名称模板为空</translation>
    </message>
    <message>
        <source>only {track} and {n} can be padded</source>
        <translation>只有 {track} 和 {n} 可以补零</translation>
    </message>
    <message>
        <source>write the width as :01 to :09</source>
        <translation>请将宽度写为 :01 到 :09</translation>
    </message>
    <message>
        <source>unmatched } (write }} for a brace)</source>
        <translation>不成对的 }（要写大括号请用 }}）</translation>
    </message>
    <message>
        <source>unclosed { (write {{ for a brace)</source>
        <translation>未闭合的 {（要写大括号请用 {{）</translation>
    </message>
    <message>
        <source>track %1 has no INDEX 01</source>
        <translation>音轨 %1 没有 INDEX 01</translation>
    </message>
    <message>
        <source>%1 is before the start of the file</source>
        <translation>%1 在文件开头之前</translation>
    </message>
    <message>
        <source>%1 comes before the point above it (%2)</source>
        <translation>%1 在上一个分割点 (%2) 之前</translation>
    </message>
    <message>
        <source>%1 repeats the point above it</source>
        <translation>%1 与上一个分割点重复</translation>
    </message>
    <message>
        <source>%1 is at the end of the file (%2)</source>
        <translation>%1 位于文件结尾 (%2)</translation>
    </message>
    <message>
        <source>%1 is past the end of the file (%2)</source>
        <translation>%1 超出文件结尾 (%2)</translation>
    </message>
    <message>
        <source>unknown placeholder {%1}</source>
        <translation>未知占位符 {%1}</translation>
    </message>
    <message>
        <source>line %1</source>
        <translation>第 %1 行</translation>
    </message>
    <message>
        <source>point %1</source>
        <translation>分割点 %1</translation>
    </message>
    <message>
        <source>not a folder</source>
        <translation>不是文件夹</translation>
    </message>
    <message>
        <source>the journal is cut short</source>
        <translation>文件被截断</translation>
    </message>
    <message>
        <source>not understood</source>
        <translation>无法识别</translation>
    </message>
    <message>
        <source>damaged</source>
        <translation>已损坏</translation>
    </message>
    <message>
        <source>text after the end</source>
        <translation>结尾之后还有文本</translation>
    </message>
    <message>
        <source>not a list journal</source>
        <translation>不是已保存的文件列表</translation>
    </message>
    <message>
        <source>written by a newer version (%1)</source>
        <translation>由更新的版本写入（%1）</translation>
    </message>
    <message>
        <source>a track of it cannot be decoded</source>
        <translation>其中一条轨道无法解码</translation>
    </message>
    <message>
        <source>the encoder does not start with these settings</source>
        <translation>编码器无法以这些设置启动</translation>
    </message>
    <message>
        <source>the libraries here have no encoder for this profile</source>
        <translation>本系统的库中没有适用于此配置文件的编码器</translation>
    </message>
    <message>
        <source>encoding failed</source>
        <translation>编码失败</translation>
    </message>
</context>
<context>
    <name>v2m::TCutDialog</name>
    <message>
        <source>Cut</source>
        <translation>裁剪</translation>
    </message>
    <message>
        <source>Use Preview Position</source>
        <translation>使用预览位置</translation>
    </message>
    <message>
        <source>%1 is not a time; write h:mm:ss.xxx, mm:ss or seconds</source>
        <translation>%1格式无效，请输入 h:mm:ss.xxx、mm:ss 或秒数</translation>
    </message>
    <message>
        <source>The start</source>
        <translation>开始时间</translation>
    </message>
    <message>
        <source>The end</source>
        <translation>结束时间</translation>
    </message>
    <message>
        <source>The end must come after the start</source>
        <translation>结束时间必须晚于开始时间</translation>
    </message>
    <message>
        <source>The start lies past the end of the file (%1)</source>
        <translation>开始时间超出了文件末尾（%1）</translation>
    </message>
    <message>
        <source></source>
        <comment>The Cut dialog, from a row&apos;s context menu in the file list: the start and end of the stretch of the file to convert, typed as times or taken from the preview&apos;s position.</comment>
        <translation></translation>
    </message>
    <message>
        <source>file start</source>
        <translation>文件开头</translation>
    </message>
    <message>
        <source>file end</source>
        <translation>文件末尾</translation>
    </message>
    <message>
        <source>h:mm:ss.xxx, mm:ss or seconds</source>
        <translation>h:mm:ss.xxx、mm:ss 或秒数</translation>
    </message>
    <message>
        <source>&amp;Start</source>
        <translation>开始(&amp;S)</translation>
    </message>
    <message>
        <source>&amp;End</source>
        <translation>结束(&amp;E)</translation>
    </message>
    <message>
        <source>Start at the Preview Position</source>
        <translation>将开始位置设为预览位置</translation>
    </message>
    <message>
        <source>End at the Preview Position</source>
        <translation>将结束位置设为预览位置</translation>
    </message>
    <message>
        <source>Dialog Buttons</source>
        <translation>对话框按钮</translation>
    </message>
</context>
<context>
    <name>v2m::TFileListModel</name>
    <message>
        <source>re-encoded: pieces are cut to the sample</source>
        <translation>重新编码：各段按采样点精确切分</translation>
    </message>
    <message>
        <source></source>
        <comment>The file list in the main window: tool tips, the spoken description of a row, and the Parts and Output columns&apos; counts (&quot;3 pieces, cut 3:25&quot;, &quot;song.mp3 + 2 more&quot;); times stay as they are.</comment>
        <translation></translation>
    </message>
    <message>
        <source>Converting</source>
        <translation>转换中</translation>
    </message>
    <message>
        <source>%1, %2, %3, %4 percent</source>
        <translation>%1，%2，%3，已完成百分之 %4</translation>
    </message>
    <message>
        <source>%1 MB</source>
        <translation>%1 MB</translation>
    </message>
    <message numerus="yes">
        <source>%n piece(s)</source>
        <translation>
            <numerusform>%n 段</numerusform>
        </translation>
    </message>
    <message>
        <source>cut from %1</source>
        <translation>从 %1 起裁剪</translation>
    </message>
    <message>
        <source>cut %1</source>
        <translation>裁剪 %1</translation>
    </message>
    <message>
        <source>, </source>
        <translation>，</translation>
    </message>
    <message numerus="yes">
        <source>%1 + %n more</source>
        <translation>
            <numerusform>%1 及另外 %n 个</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>v2m::TForm1</name>
    <message>
        <source>Audio &amp;Track</source>
        <translation>音轨(&amp;T)</translation>
    </message>
    <message>
        <source>Audio Track for &amp;All</source>
        <translation>所有文件的音轨(&amp;A)</translation>
    </message>
    <message>
        <source>The desktop could not open this. Copy it into a browser or a file manager:

%1</source>
        <translation>桌面环境无法打开此项。请将其复制到浏览器或文件管理器中：

%1</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>The output folder &quot;%1&quot; does not exist. Create it?</source>
        <translation>输出文件夹“%1”不存在。是否创建？</translation>
    </message>
    <message>
        <source>The output folder could not be created: %1. Please select another folder.</source>
        <translation>无法创建输出文件夹：%1。请选择其他文件夹。</translation>
    </message>
    <message>
        <source>Output folder is unavailable. Please select another folder.</source>
        <translation>输出文件夹不可用。请选择其他文件夹。</translation>
    </message>
    <message>
        <source>Nothing to convert: no file of the list has audio</source>
        <translation>没有可转换的内容：列表中的文件均不含音频</translation>
    </message>
    <message>
        <source>Some items have been converted already, do you want to re-convert them?</source>
        <translation>部分项目已转换过，是否重新转换？</translation>
    </message>
    <message>
        <source>The conversion could not be started - see the log</source>
        <translation>无法开始转换，请查看日志</translation>
    </message>
    <message>
        <source>No file could be converted - see the log</source>
        <translation>没有任何文件转换成功，请查看日志</translation>
    </message>
    <message>
        <source>Cancel Conversion.</source>
        <translation>取消转换</translation>
    </message>
    <message>
        <source>Are you sure you want to cancel conversion?</source>
        <translation>确定要取消转换吗？</translation>
    </message>
    <message>
        <source>Convert completed.</source>
        <translation>转换完成</translation>
    </message>
    <message>
        <source>Do you want to open output folder?</source>
        <translation>是否打开输出文件夹？</translation>
    </message>
    <message>
        <source>Paused - </source>
        <translation>已暂停 - </translation>
    </message>
    <message>
        <source>The conversion libraries could not be loaded - see the log</source>
        <translation>无法加载转换库，请查看日志</translation>
    </message>
    <message>
        <source>A conversion is running. Stop it and quit?</source>
        <translation>正在进行转换。是否停止并退出？</translation>
    </message>
    <message>
        <source>&amp;Resume</source>
        <translation>继续(&amp;R)</translation>
    </message>
    <message>
        <source>Normalize Loudness sets the volume (Convert menu)</source>
        <translation>音量由“响度标准化”决定（“转换”菜单）</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>清空</translation>
    </message>
    <message>
        <source>Some files of the list have not been converted yet. Clear the list?</source>
        <translation>列表中有些文件尚未转换。是否清空列表？</translation>
    </message>
    <message>
        <source>Select folder</source>
        <translation>选择文件夹</translation>
    </message>
    <message>
        <source>No sound device - picture only</source>
        <translation>无音频设备，仅显示画面</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>预览</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>静音</translation>
    </message>
    <message>
        <source>Profile</source>
        <translation>预设</translation>
    </message>
    <message>
        <source>Output Folder</source>
        <translation>输出文件夹</translation>
    </message>
    <message>
        <source>Browse</source>
        <translation>浏览</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>打开</translation>
    </message>
    <message>
        <source>Same folder as input </source>
        <translation>源文件所在文件夹 </translation>
    </message>
    <message>
        <source>File Name</source>
        <translation>文件名</translation>
    </message>
    <message>
        <source>{name} {title} {artist} {album} {albumartist} {track} {date} {year} {genre} {chapter} {n} {n:02} {profile}; &quot;/&quot; makes sub-folders</source>
        <translation>{name} {title} {artist} {album} {albumartist} {track} {date} {year} {genre} {chapter} {n} {n:02} {profile}；“/”用于创建子文件夹</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>进度</translation>
    </message>
    <message>
        <source>Profile Settings</source>
        <translation>预设参数</translation>
    </message>
    <message>
        <source>&amp;Add Files...</source>
        <translation>添加文件(&amp;A)...</translation>
    </message>
    <message>
        <source>Add Files</source>
        <translation>添加文件</translation>
    </message>
    <message>
        <source>Add F&amp;older...</source>
        <translation>添加文件夹(&amp;O)...</translation>
    </message>
    <message>
        <source>Cancel Adding</source>
        <translation>取消添加</translation>
    </message>
    <message>
        <source>&amp;Skin</source>
        <translation>皮肤(&amp;S)</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>退出(&amp;X)</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>移除(&amp;R)</translation>
    </message>
    <message>
        <source>&amp;Clear</source>
        <translation>清空(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Start</source>
        <translation>开始(&amp;S)</translation>
    </message>
    <message>
        <source>&amp;Pause</source>
        <translation>暂停(&amp;P)</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>继续</translation>
    </message>
    <message>
        <source>St&amp;op</source>
        <translation>停止(&amp;O)</translation>
    </message>
    <message>
        <source>Convert All A&amp;gain</source>
        <translation>全部重新转换(&amp;G)</translation>
    </message>
    <message>
        <source>&amp;Help Content</source>
        <translation>帮助内容(&amp;H)</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>帮助</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>关于(&amp;A)</translation>
    </message>
    <message>
        <source>&amp;Visit Website</source>
        <translation>访问网站(&amp;V)</translation>
    </message>
    <message>
        <source>Visit Home</source>
        <translation>访问主页</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>播放</translation>
    </message>
    <message>
        <source>Stop Preview</source>
        <translation>停止预览</translation>
    </message>
    <message>
        <source>View &amp;Log</source>
        <translation>查看日志(&amp;L)</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>退出</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>文件(&amp;F)</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>编辑(&amp;E)</translation>
    </message>
    <message>
        <source>&amp;Convert</source>
        <translation>转换(&amp;C)</translation>
    </message>
    <message>
        <source>Si&amp;multaneous Conversions</source>
        <translation>同时转换数(&amp;M)</translation>
    </message>
    <message>
        <source>One per Processor</source>
        <translation>每个处理器一个</translation>
    </message>
    <message>
        <source>Copy &amp;Tags</source>
        <translation>复制标签(&amp;T)</translation>
    </message>
    <message>
        <source>Use a &amp;Video Frame as Cover</source>
        <translation>使用视频帧作为封面(&amp;V)</translation>
    </message>
    <message>
        <source>&amp;Copy Audio When Possible</source>
        <translation>尽可能直接复制音频(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Normalize Loudness</source>
        <translation>响度标准化(&amp;N)</translation>
    </message>
    <message>
        <source>Loudness T&amp;arget</source>
        <translation>目标响度(&amp;A)</translation>
    </message>
    <message>
        <source>%1 LUFS</source>
        <translation>%1 LUFS</translation>
    </message>
    <message>
        <source>Split by C&amp;hapters</source>
        <translation>按章节分割(&amp;H)</translation>
    </message>
    <message>
        <source>S&amp;kip Files Already Converted</source>
        <translation>跳过已转换的文件(&amp;K)</translation>
    </message>
    <message>
        <source>Open file</source>
        <translation>打开文件</translation>
    </message>
    <message>
        <source>Add video files to extract their audio</source>
        <translation>添加视频文件以提取其中的音频</translation>
    </message>
    <message>
        <source>The file name &quot;%1&quot; cannot be used: %2.</source>
        <translation>无法使用文件名“%1”：%2。</translation>
    </message>
    <message>
        <source>Split by &amp;Chapters</source>
        <translation>按章节分割(&amp;C)</translation>
    </message>
    <message>
        <source>Split &amp;Points from File...</source>
        <translation>从文件读取分割点(&amp;P)...</translation>
    </message>
    <message>
        <source>Split Points from File</source>
        <translation>从文件读取分割点</translation>
    </message>
    <message>
        <source>C&amp;lear Split Points</source>
        <translation>清除分割点(&amp;L)</translation>
    </message>
    <message>
        <source>C&amp;ut...</source>
        <translation>裁剪(&amp;U)...</translation>
    </message>
    <message>
        <source>&amp;Remove Cut</source>
        <translation>取消裁剪(&amp;R)</translation>
    </message>
    <message>
        <source></source>
        <comment>The main window: its menus, tool bar, the preview, the Profile and Profile Settings groups, the status line below them, and its message boxes. Keep the accelerators (&amp;) unique within each menu; tool bar texts (Add Files, Help, Visit Home) sit under 32-pixel icons, so keep them short.</comment>
        <translation></translation>
    </message>
    <message>
        <source>%1 of %2 files</source>
        <translation>%1 / %2 个文件</translation>
    </message>
    <message>
        <source> - %1x real time</source>
        <translation> - %1 倍实时速度</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 秒</translation>
    </message>
    <message>
        <source>%1 min</source>
        <translation>%1 分钟</translation>
    </message>
    <message>
        <source>%1 h %2 min</source>
        <translation>%1 小时 %2 分钟</translation>
    </message>
    <message>
        <source> - about %1 left</source>
        <translation> - 剩余约 %1</translation>
    </message>
    <message>
        <source>%L1 converted</source>
        <translation>已转换 %L1 个</translation>
    </message>
    <message>
        <source>, %L1 skipped</source>
        <translation>，已跳过 %L1 个</translation>
    </message>
    <message>
        <source>, %L1 failed</source>
        <translation>，失败 %L1 个</translation>
    </message>
    <message>
        <source>, %L1 stopped</source>
        <translation>，已停止 %L1 个</translation>
    </message>
    <message>
        <source>%L1 file converted</source>
        <translation>已转换 %L1 个文件</translation>
    </message>
    <message>
        <source>%L1 files converted</source>
        <translation>已转换 %L1 个文件</translation>
    </message>
    <message>
        <source>%L1 of %L2 files could not be converted:</source>
        <translation>%L2 个文件中有 %L1 个无法转换：</translation>
    </message>
    <message>
        <source>Converting %1 files</source>
        <translation>正在转换 %1 个文件</translation>
    </message>
    <message>
        <source>Adding %L1 of %L2 files...</source>
        <translation>正在添加文件 %L1 / %L2...</translation>
    </message>
    <message>
        <source>The last conversion was interrupted. Resume the %L1 remaining files?</source>
        <translation>上次转换被中断。是否继续转换剩余的 %L1 个文件？</translation>
    </message>
    <message>
        <source>Files to Convert</source>
        <translation>待转换的文件</translation>
    </message>
    <message>
        <source>Preview Picture</source>
        <translation>预览画面</translation>
    </message>
    <message>
        <source>Preview Position</source>
        <translation>预览位置</translation>
    </message>
    <message>
        <source>Play or Pause Preview</source>
        <translation>播放或暂停预览</translation>
    </message>
    <message>
        <source>Preview Volume</source>
        <translation>预览音量</translation>
    </message>
    <message>
        <source>Total Progress</source>
        <translation>总进度</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>状态</translation>
    </message>
    <message>
        <source>Each row reads: file name, duration, state, progress</source>
        <translation>每行依次为：文件名、时长、状态、进度</translation>
    </message>
    <message>
        <source>Click to play or pause the selected file</source>
        <translation>单击以播放或暂停所选文件</translation>
    </message>
    <message>
        <source>Where the preview stands in the selected file</source>
        <translation>预览在所选文件中的当前位置</translation>
    </message>
    <message>
        <source>Choose the folder the converted files go to</source>
        <translation>选择保存转换后文件的文件夹</translation>
    </message>
    <message>
        <source>Show the output folder in the file manager</source>
        <translation>在文件管理器中显示输出文件夹</translation>
    </message>
    <message>
        <source>The format the files are converted to</source>
        <translation>文件转换的目标格式</translation>
    </message>
    <message>
        <source>&amp;Loudness</source>
        <translation>响度(&amp;L)</translation>
    </message>
    <message>
        <source>Loudness</source>
        <translation>响度</translation>
    </message>
    <message>
        <source>Normalize as &amp;Album</source>
        <translation>按专辑标准化(&amp;A)</translation>
    </message>
    <message>
        <source>The files sharing a folder take one gain</source>
        <translation>同一文件夹中的文件使用相同的增益</translation>
    </message>
    <message>
        <source>Loudness: &amp;Tag Only</source>
        <translation>响度：仅写入标签(&amp;T)</translation>
    </message>
    <message>
        <source>The gain goes into tags that players apply</source>
        <translation>增益写入标签，由播放器应用</translation>
    </message>
    <message>
        <source>Measuring loudness: 0 of %1 files</source>
        <translation>正在测量响度：已完成 0 个，共 %1 个文件</translation>
    </message>
    <message>
        <source>Measuring loudness: %1 of %2 files</source>
        <translation>正在测量响度：已完成 %1 个，共 %2 个文件</translation>
    </message>
    <message>
        <source>Loudness measured: %1 files</source>
        <translation>响度测量完成：%1 个文件</translation>
    </message>
    <message>
        <source>Loudness measuring stopped</source>
        <translation>响度测量已停止</translation>
    </message>
    <message>
        <source>Analyze &amp;Loudness</source>
        <translation>分析响度(&amp;L)</translation>
    </message>
    <message numerus="yes">
        <source>%Ln file(s) could not be added - see the log</source>
        <translation>
            <numerusform>%Ln 个文件无法添加，请查看日志</numerusform>
        </translation>
    </message>
    <message>
        <source>Cannot be converted: %1</source>
        <translation>无法转换：%1</translation>
    </message>
    <message>
        <source>Gives:</source>
        <translation>生成：</translation>
    </message>
    <message numerus="yes">
        <source>Gives %n files:</source>
        <translation>
            <numerusform>生成 %n 个文件：</numerusform>
        </translation>
    </message>
    <message>
        <source>(%1 for %2)</source>
        <extracomment>A piece&apos;s start and its length: &quot;(0:02 for 0:30)&quot;.</extracomment>
        <translation>（从 %1 开始，时长 %2）</translation>
    </message>
    <message>
        <source>there already: skipped</source>
        <translation>已存在：跳过</translation>
    </message>
    <message>
        <source>audio copied</source>
        <translation>音频直接复制</translation>
    </message>
    <message>
        <source>The saved file list %1 cannot be read (%2) nor set aside; the list starts empty and is not saved.</source>
        <translation>无法读取已保存的文件列表 %1（%2），也无法将其另存；列表将从空开始，且不会被保存。</translation>
    </message>
    <message>
        <source>The saved file list %1 cannot be read (%2); it was kept as %3 and the list starts empty.</source>
        <translation>无法读取已保存的文件列表 %1（%2）；它已保留为 %3，列表将从空开始。</translation>
    </message>
</context>
<context>
    <name>v2m::TLogForm</name>
    <message>
        <source>Log</source>
        <translation>日志</translation>
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
        <translation>显示日志(&amp;L)</translation>
    </message>
    <message>
        <source>Include Sub-folders</source>
        <translation>包括子文件夹</translation>
    </message>
    <message>
        <source>Dialog Buttons</source>
        <translation>对话框按钮</translation>
    </message>
</context>
<context>
    <name>v2m::TSkinDialog</name>
    <message>
        <source>Select skin</source>
        <translation>选择皮肤</translation>
    </message>
    <message>
        <source></source>
        <comment>The skin choice (File &gt; Skin): a list of looks for the window, with OK and Cancel.</comment>
        <translation></translation>
    </message>
    <message>
        <source>Skins</source>
        <translation>皮肤</translation>
    </message>
    <message>
        <source>Dialog Buttons</source>
        <translation>对话框按钮</translation>
    </message>
    <message>
        <source>System</source>
        <translation>系统</translation>
    </message>
</context>
</TS>
