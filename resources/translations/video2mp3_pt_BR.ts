<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pt_BR">
<context>
    <name>v2m::TAboutForm</name>
    <message>
        <source>About</source>
        <translation>Sobre</translation>
    </message>
    <message>
        <source>Home:</source>
        <translation>Site:</translation>
    </message>
    <message>
        <source>Support:</source>
        <translation>Suporte:</translation>
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
        <translation>Nome</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Duração</translation>
    </message>
    <message>
        <source>Original Size</source>
        <translation>Tamanho original</translation>
    </message>
    <message>
        <source>Output</source>
        <translation>Saída</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Progresso</translation>
    </message>
    <message>
        <source>Output Size</source>
        <translation>Tamanho final</translation>
    </message>
    <message>
        <source>Audio</source>
        <translation>Áudio</translation>
    </message>
    <message>
        <source>Parts</source>
        <translation>Partes</translation>
    </message>
    <message>
        <source>Waiting</source>
        <translation>Aguardando</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Falha</translation>
    </message>
    <message>
        <source>Completed</source>
        <translation>Concluído</translation>
    </message>
    <message>
        <source>Skipped</source>
        <translation>Ignorado</translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation>Interrompido</translation>
    </message>
    <message>
        <source>No audio</source>
        <translation>Sem áudio</translation>
    </message>
    <message>
        <source>N/A</source>
        <translation>N/D</translation>
    </message>
    <message>
        <source>Quality</source>
        <translation>Qualidade</translation>
    </message>
    <message>
        <source>Channels</source>
        <translation>Canais</translation>
    </message>
    <message>
        <source>Bit Rates (Kbps)</source>
        <translation>Bitrate (Kbps)</translation>
    </message>
    <message>
        <source>Volume (%)</source>
        <translation>Volume (%)</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>Mono</source>
        <translation>Mono</translation>
    </message>
    <message>
        <source>Stereo</source>
        <translation>Estéreo</translation>
    </message>
    <message>
        <source>Video Files</source>
        <translation>Arquivos de vídeo</translation>
    </message>
    <message>
        <source>All Files</source>
        <translation>Todos os arquivos</translation>
    </message>
    <message>
        <source>Cue Sheets</source>
        <translation>Arquivos CUE</translation>
    </message>
    <message>
        <source>Text Files</source>
        <translation>Arquivos de texto</translation>
    </message>
    <message>
        <source>cut does not fit</source>
        <translation>o recorte não cabe no arquivo</translation>
    </message>
    <message>
        <source>has no audio track</source>
        <translation>não tem faixa de áudio</translation>
    </message>
    <message>
        <source>is not a media file the libraries can read</source>
        <translation>não é um arquivo de mídia que as bibliotecas consigam ler</translation>
    </message>
    <message>
        <source>no such file</source>
        <translation>arquivo inexistente</translation>
    </message>
    <message>
        <source>No space left on device</source>
        <translation>Não há espaço disponível no dispositivo</translation>
    </message>
    <message>
        <source>Disk quota exceeded</source>
        <translation>Cota de disco excedida</translation>
    </message>
    <message>
        <source>Read-only file system</source>
        <translation>Sistema de arquivos somente leitura</translation>
    </message>
    <message>
        <source>Permission denied</source>
        <translation>Permissão negada</translation>
    </message>
    <message>
        <source>File too large</source>
        <translation>Arquivo grande demais</translation>
    </message>
    <message>
        <source>Input/output error</source>
        <translation>Erro de entrada/saída</translation>
    </message>
    <message>
        <source>The cover picture is left out: %1</source>
        <translation>A imagem de capa é omitida: %1</translation>
    </message>
    <message>
        <source>the file has no such picture</source>
        <translation>o arquivo não contém essa imagem</translation>
    </message>
    <message>
        <source>it is larger than %1 MiB</source>
        <translation>ela tem mais de %1 MiB</translation>
    </message>
    <message>
        <source>it is not a picture we can read</source>
        <translation>não é uma imagem legível</translation>
    </message>
    <message>
        <source>it does not decode as a picture</source>
        <translation>ela não pode ser decodificada como imagem</translation>
    </message>
    <message>
        <source>it is %1x%2 pixels, more than %3 a side</source>
        <translation>ela tem %1×%2 pixels, mais de %3 por lado</translation>
    </message>
    <message>
        <source>The cut ends at %1, not after its start at %2</source>
        <translation>O recorte termina em %1, não depois do seu início em %2</translation>
    </message>
    <message>
        <source>The cut starts at %1, past the end of the file (%2)</source>
        <translation>O recorte começa em %1, depois do fim do arquivo (%2)</translation>
    </message>
    <message>
        <source>No piece of the file lies within the cut from %1 to %2</source>
        <translation>Nenhuma parte do arquivo está dentro do recorte de %1 a %2</translation>
    </message>
    <message>
        <source>File name too long: %1</source>
        <translation>Nome de arquivo longo demais: %1</translation>
    </message>
    <message>
        <source>No free output name: %1 and %2 numbered names are taken</source>
        <translation>Nenhum nome de saída livre: %1 e %2 nomes numerados já estão em uso</translation>
    </message>
    <message>
        <source>cannot be read</source>
        <translation>não pode ser lido</translation>
    </message>
    <message>
        <source>it is not a file</source>
        <translation>não é um arquivo</translation>
    </message>
    <message>
        <source>is too large for a list of split points</source>
        <translation>é grande demais para uma lista de pontos de divisão</translation>
    </message>
    <message>
        <source>is not a cue sheet that can be read</source>
        <translation>não é um arquivo CUE legível</translation>
    </message>
    <message>
        <source>the cue sheet holds no track</source>
        <translation>o arquivo CUE não contém faixas</translation>
    </message>
    <message>
        <source>the cue sheet&apos;s tracks lie in more than one audio file</source>
        <translation>as faixas do arquivo CUE estão em mais de um arquivo de áudio</translation>
    </message>
    <message>
        <source>the list holds no time stamps</source>
        <translation>a lista não contém marcações de tempo</translation>
    </message>
    <message>
        <source>there are no points to split at</source>
        <translation>não há pontos de divisão</translation>
    </message>
    <message>
        <source>File name template</source>
        <translation>Modelo de nome de arquivo</translation>
    </message>
    <message>
        <source>the name template is empty</source>
        <translation>o modelo de nome está vazio</translation>
    </message>
    <message>
        <source>only {track} and {n} can be padded</source>
        <translation>só {track} e {n} podem ser completados com zeros</translation>
    </message>
    <message>
        <source>write the width as :01 to :09</source>
        <translation>escreva a largura como :01 a :09</translation>
    </message>
    <message>
        <source>unmatched } (write }} for a brace)</source>
        <translation>} sem par (escreva }} para uma chave)</translation>
    </message>
    <message>
        <source>unclosed { (write {{ for a brace)</source>
        <translation>{ não fechada (escreva {{ para uma chave)</translation>
    </message>
    <message>
        <source>track %1 has no INDEX 01</source>
        <translation>a faixa %1 não tem INDEX 01</translation>
    </message>
    <message>
        <source>%1 is before the start of the file</source>
        <translation>%1 está antes do início do arquivo</translation>
    </message>
    <message>
        <source>%1 comes before the point above it (%2)</source>
        <translation>%1 vem antes do ponto anterior (%2)</translation>
    </message>
    <message>
        <source>%1 repeats the point above it</source>
        <translation>%1 repete o ponto anterior</translation>
    </message>
    <message>
        <source>%1 is at the end of the file (%2)</source>
        <translation>%1 está no fim do arquivo (%2)</translation>
    </message>
    <message>
        <source>%1 is past the end of the file (%2)</source>
        <translation>%1 está depois do fim do arquivo (%2)</translation>
    </message>
    <message>
        <source>unknown placeholder {%1}</source>
        <translation>marcador desconhecido {%1}</translation>
    </message>
    <message>
        <source>line %1</source>
        <translation>linha %1</translation>
    </message>
    <message>
        <source>point %1</source>
        <translation>ponto %1</translation>
    </message>
    <message>
        <source>not a folder</source>
        <translation>não é uma pasta</translation>
    </message>
    <message>
        <source>the journal is cut short</source>
        <translation>o arquivo está truncado</translation>
    </message>
    <message>
        <source>not understood</source>
        <translation>não compreendido</translation>
    </message>
    <message>
        <source>damaged</source>
        <translation>danificado</translation>
    </message>
    <message>
        <source>text after the end</source>
        <translation>texto após o fim</translation>
    </message>
    <message>
        <source>not a list journal</source>
        <translation>não é uma lista de arquivos salva</translation>
    </message>
    <message>
        <source>written by a newer version (%1)</source>
        <translation>gravada por uma versão mais recente (%1)</translation>
    </message>
    <message>
        <source>a track of it cannot be decoded</source>
        <translation>uma de suas faixas não pode ser decodificada</translation>
    </message>
    <message>
        <source>the encoder does not start with these settings</source>
        <translation>o codificador não inicia com estas configurações</translation>
    </message>
    <message>
        <source>the libraries here have no encoder for this profile</source>
        <translation>as bibliotecas deste sistema não têm codificador para este perfil</translation>
    </message>
    <message>
        <source>encoding failed</source>
        <translation>a codificação falhou</translation>
    </message>
</context>
<context>
    <name>v2m::TCutDialog</name>
    <message>
        <source>Cut</source>
        <translation>Recortar</translation>
    </message>
    <message>
        <source>Use Preview Position</source>
        <translation>Usar a posição da pré-visualização</translation>
    </message>
    <message>
        <source>%1 is not a time; write h:mm:ss.xxx, mm:ss or seconds</source>
        <translation>%1 não é um tempo válido; digite h:mm:ss.xxx, mm:ss ou um número de segundos</translation>
    </message>
    <message>
        <source>The start</source>
        <translation>O início</translation>
    </message>
    <message>
        <source>The end</source>
        <translation>O fim</translation>
    </message>
    <message>
        <source>The end must come after the start</source>
        <translation>O fim deve vir depois do início</translation>
    </message>
    <message>
        <source>The start lies past the end of the file (%1)</source>
        <translation>O início fica depois do fim do arquivo (%1)</translation>
    </message>
    <message>
        <source></source>
        <comment>The Cut dialog, from a row&apos;s context menu in the file list: the start and end of the stretch of the file to convert, typed as times or taken from the preview&apos;s position.</comment>
        <translation></translation>
    </message>
    <message>
        <source>file start</source>
        <translation>início do arquivo</translation>
    </message>
    <message>
        <source>file end</source>
        <translation>fim do arquivo</translation>
    </message>
    <message>
        <source>h:mm:ss.xxx, mm:ss or seconds</source>
        <translation>h:mm:ss.xxx, mm:ss ou segundos</translation>
    </message>
    <message>
        <source>&amp;Start</source>
        <translation>I&amp;nício</translation>
    </message>
    <message>
        <source>&amp;End</source>
        <translation>&amp;Fim</translation>
    </message>
    <message>
        <source>Start at the Preview Position</source>
        <translation>Início na posição da pré-visualização</translation>
    </message>
    <message>
        <source>End at the Preview Position</source>
        <translation>Fim na posição da pré-visualização</translation>
    </message>
    <message>
        <source>Dialog Buttons</source>
        <translation>Botões da caixa de diálogo</translation>
    </message>
</context>
<context>
    <name>v2m::TFileListModel</name>
    <message>
        <source>re-encoded: pieces are cut to the sample</source>
        <translation>recodificado: as partes são cortadas com precisão de amostra</translation>
    </message>
    <message>
        <source></source>
        <comment>The file list in the main window: tool tips, the spoken description of a row, and the Parts and Output columns&apos; counts (&quot;3 pieces, cut 3:25&quot;, &quot;song.mp3 + 2 more&quot;); times stay as they are.</comment>
        <translation></translation>
    </message>
    <message>
        <source>Converting</source>
        <translation>Convertendo</translation>
    </message>
    <message>
        <source>%1, %2, %3, %4 percent</source>
        <translation>%1, %2, %3, %4 por cento</translation>
    </message>
    <message>
        <source>%1 MB</source>
        <translation>%1 MB</translation>
    </message>
    <message numerus="yes">
        <source>%n piece(s)</source>
        <translation>
            <numerusform>%n parte</numerusform>
            <numerusform>%n partes</numerusform>
        </translation>
    </message>
    <message>
        <source>cut from %1</source>
        <translation>recorte a partir de %1</translation>
    </message>
    <message>
        <source>cut %1</source>
        <translation>recorte de %1</translation>
    </message>
    <message>
        <source>, </source>
        <translation>, </translation>
    </message>
    <message numerus="yes">
        <source>%1 + %n more</source>
        <translation>
            <numerusform>%1 + %n outro</numerusform>
            <numerusform>%1 + %n outros</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>v2m::TForm1</name>
    <message>
        <source>Audio &amp;Track</source>
        <translation>&amp;Faixa de áudio</translation>
    </message>
    <message>
        <source>Audio Track for &amp;All</source>
        <translation>Faixa de áudio para &amp;todos</translation>
    </message>
    <message>
        <source>The desktop could not open this. Copy it into a browser or a file manager:

%1</source>
        <translation>A área de trabalho não conseguiu abrir este item. Copie-o para um navegador ou um gerenciador de arquivos:

%1</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Aviso</translation>
    </message>
    <message>
        <source>The output folder &quot;%1&quot; does not exist. Create it?</source>
        <translation>A pasta de destino &quot;%1&quot; não existe. Deseja criá-la?</translation>
    </message>
    <message>
        <source>The output folder could not be created: %1. Please select another folder.</source>
        <translation>Não foi possível criar a pasta de destino: %1. Selecione outra pasta.</translation>
    </message>
    <message>
        <source>Output folder is unavailable. Please select another folder.</source>
        <translation>A pasta de destino não está disponível. Selecione outra pasta.</translation>
    </message>
    <message>
        <source>Nothing to convert: no file of the list has audio</source>
        <translation>Nada a converter: nenhum arquivo da lista tem áudio</translation>
    </message>
    <message>
        <source>Some items have been converted already, do you want to re-convert them?</source>
        <translation>Alguns itens já foram convertidos. Deseja convertê-los novamente?</translation>
    </message>
    <message>
        <source>The conversion could not be started - see the log</source>
        <translation>Não foi possível iniciar a conversão - veja o registro</translation>
    </message>
    <message>
        <source>No file could be converted - see the log</source>
        <translation>Nenhum arquivo pôde ser convertido - veja o registro</translation>
    </message>
    <message>
        <source>Cancel Conversion.</source>
        <translation>Cancelar a conversão.</translation>
    </message>
    <message>
        <source>Are you sure you want to cancel conversion?</source>
        <translation>Tem certeza de que deseja cancelar a conversão?</translation>
    </message>
    <message>
        <source>Convert completed.</source>
        <translation>Conversão concluída.</translation>
    </message>
    <message>
        <source>Do you want to open output folder?</source>
        <translation>Deseja abrir a pasta de destino?</translation>
    </message>
    <message>
        <source>Paused - </source>
        <translation>Em pausa - </translation>
    </message>
    <message>
        <source>The conversion libraries could not be loaded - see the log</source>
        <translation>Não foi possível carregar as bibliotecas de conversão - veja o registro</translation>
    </message>
    <message>
        <source>A conversion is running. Stop it and quit?</source>
        <translation>Há uma conversão em andamento. Interrompê-la e sair?</translation>
    </message>
    <message>
        <source>&amp;Resume</source>
        <translation>&amp;Retomar</translation>
    </message>
    <message>
        <source>Normalize Loudness sets the volume (Convert menu)</source>
        <translation>&quot;Normalizar intensidade sonora&quot; define o volume (menu Converter)</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Limpar</translation>
    </message>
    <message>
        <source>Some files of the list have not been converted yet. Clear the list?</source>
        <translation>Alguns arquivos da lista ainda não foram convertidos. Limpar a lista?</translation>
    </message>
    <message>
        <source>Select folder</source>
        <translation>Selecionar pasta</translation>
    </message>
    <message>
        <source>No sound device - picture only</source>
        <translation>Sem saída de áudio - só imagem</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Pré-visualização</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>Mudo</translation>
    </message>
    <message>
        <source>Profile</source>
        <translation>Perfil</translation>
    </message>
    <message>
        <source>Output Folder</source>
        <translation>Destino</translation>
    </message>
    <message>
        <source>Browse</source>
        <translation>Procurar</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Abrir</translation>
    </message>
    <message>
        <source>Same folder as input </source>
        <translation>Pasta de origem </translation>
    </message>
    <message>
        <source>File Name</source>
        <translation>Nome</translation>
    </message>
    <message>
        <source>{name} {title} {artist} {album} {albumartist} {track} {date} {year} {genre} {chapter} {n} {n:02} {profile}; &quot;/&quot; makes sub-folders</source>
        <translation>{name} {title} {artist} {album} {albumartist} {track} {date} {year} {genre} {chapter} {n} {n:02} {profile}; &quot;/&quot; cria subpastas</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Progresso</translation>
    </message>
    <message>
        <source>Profile Settings</source>
        <translation>Configurações do perfil</translation>
    </message>
    <message>
        <source>&amp;Add Files...</source>
        <translation>&amp;Adicionar arquivos...</translation>
    </message>
    <message>
        <source>Add Files</source>
        <translation>Adicionar</translation>
    </message>
    <message>
        <source>Add F&amp;older...</source>
        <translation>Adicionar &amp;pasta...</translation>
    </message>
    <message>
        <source>Cancel Adding</source>
        <translation>Cancelar adição</translation>
    </message>
    <message>
        <source>&amp;Skin</source>
        <translation>&amp;Tema</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Sair</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>&amp;Remover</translation>
    </message>
    <message>
        <source>&amp;Clear</source>
        <translation>&amp;Limpar</translation>
    </message>
    <message>
        <source>&amp;Start</source>
        <translation>&amp;Iniciar</translation>
    </message>
    <message>
        <source>&amp;Pause</source>
        <translation>&amp;Pausar</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>Retomar</translation>
    </message>
    <message>
        <source>St&amp;op</source>
        <translation>P&amp;arar</translation>
    </message>
    <message>
        <source>Convert All A&amp;gain</source>
        <translation>Converter tudo de no&amp;vo</translation>
    </message>
    <message>
        <source>&amp;Help Content</source>
        <translation>&amp;Conteúdo da ajuda</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Ajuda</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>&amp;Sobre</translation>
    </message>
    <message>
        <source>&amp;Visit Website</source>
        <translation>&amp;Visitar o site</translation>
    </message>
    <message>
        <source>Visit Home</source>
        <translation>Site</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Reproduzir</translation>
    </message>
    <message>
        <source>Stop Preview</source>
        <translation>Parar a pré-visualização</translation>
    </message>
    <message>
        <source>View &amp;Log</source>
        <translation>Ver &amp;registro</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Sair</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Arquivo</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Editar</translation>
    </message>
    <message>
        <source>&amp;Convert</source>
        <translation>&amp;Converter</translation>
    </message>
    <message>
        <source>Si&amp;multaneous Conversions</source>
        <translation>Conversões &amp;simultâneas</translation>
    </message>
    <message>
        <source>One per Processor</source>
        <translation>Uma por processador</translation>
    </message>
    <message>
        <source>Copy &amp;Tags</source>
        <translation>Copiar &amp;tags</translation>
    </message>
    <message>
        <source>Use a &amp;Video Frame as Cover</source>
        <translation>Usar um &amp;quadro do vídeo como capa</translation>
    </message>
    <message>
        <source>&amp;Copy Audio When Possible</source>
        <translation>&amp;Copiar o áudio quando possível</translation>
    </message>
    <message>
        <source>&amp;Normalize Loudness</source>
        <translation>Nor&amp;malizar intensidade sonora</translation>
    </message>
    <message>
        <source>Loudness T&amp;arget</source>
        <translation>Intensidade-a&amp;lvo</translation>
    </message>
    <message>
        <source>%1 LUFS</source>
        <translation>%1 LUFS</translation>
    </message>
    <message>
        <source>Split by C&amp;hapters</source>
        <translation>&amp;Dividir por capítulos</translation>
    </message>
    <message>
        <source>S&amp;kip Files Already Converted</source>
        <translation>Ig&amp;norar arquivos já convertidos</translation>
    </message>
    <message>
        <source>Open file</source>
        <translation>Abrir arquivo</translation>
    </message>
    <message>
        <source>Add video files to extract their audio</source>
        <translation>Adicione arquivos de vídeo para extrair o áudio</translation>
    </message>
    <message>
        <source>The file name &quot;%1&quot; cannot be used: %2.</source>
        <translation>O nome de arquivo &quot;%1&quot; não pode ser usado: %2.</translation>
    </message>
    <message>
        <source>Split by &amp;Chapters</source>
        <translation>Dividir por &amp;capítulos</translation>
    </message>
    <message>
        <source>Split &amp;Points from File...</source>
        <translation>&amp;Pontos de divisão de um arquivo...</translation>
    </message>
    <message>
        <source>Split Points from File</source>
        <translation>Pontos de divisão de um arquivo</translation>
    </message>
    <message>
        <source>C&amp;lear Split Points</source>
        <translation>&amp;Limpar pontos de divisão</translation>
    </message>
    <message>
        <source>C&amp;ut...</source>
        <translation>&amp;Recortar...</translation>
    </message>
    <message>
        <source>&amp;Remove Cut</source>
        <translation>Re&amp;mover recorte</translation>
    </message>
    <message>
        <source></source>
        <comment>The main window: its menus, tool bar, the preview, the Profile and Profile Settings groups, the status line below them, and its message boxes. Keep the accelerators (&amp;) unique within each menu; tool bar texts (Add Files, Help, Visit Home) sit under 32-pixel icons, so keep them short.</comment>
        <translation></translation>
    </message>
    <message>
        <source>%1 of %2 files</source>
        <translation>%1 de %2 arquivos</translation>
    </message>
    <message>
        <source> - %1x real time</source>
        <translation> - %1x o tempo real</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>%1 min</source>
        <translation>%1 min</translation>
    </message>
    <message>
        <source>%1 h %2 min</source>
        <translation>%1 h %2 min</translation>
    </message>
    <message>
        <source> - about %1 left</source>
        <translation> - faltam cerca de %1</translation>
    </message>
    <message>
        <source>%L1 converted</source>
        <translation>Convertidos: %L1</translation>
    </message>
    <message>
        <source>, %L1 skipped</source>
        <translation>, ignorados: %L1</translation>
    </message>
    <message>
        <source>, %L1 failed</source>
        <translation>, com falha: %L1</translation>
    </message>
    <message>
        <source>, %L1 stopped</source>
        <translation>, interrompidos: %L1</translation>
    </message>
    <message>
        <source>%L1 file converted</source>
        <translation>%L1 arquivo convertido</translation>
    </message>
    <message>
        <source>%L1 files converted</source>
        <translation>%L1 arquivos convertidos</translation>
    </message>
    <message>
        <source>%L1 of %L2 files could not be converted:</source>
        <translation>Arquivos que não puderam ser convertidos (%L1 de %L2):</translation>
    </message>
    <message>
        <source>Converting %1 files</source>
        <translation>Conversão de arquivos (%1)</translation>
    </message>
    <message>
        <source>Adding %L1 of %L2 files...</source>
        <translation>Adicionando arquivos: %L1 de %L2...</translation>
    </message>
    <message>
        <source>The last conversion was interrupted. Resume the %L1 remaining files?</source>
        <translation>A última conversão foi interrompida. Retomar os arquivos restantes (%L1)?</translation>
    </message>
    <message>
        <source>Files to Convert</source>
        <translation>Arquivos a converter</translation>
    </message>
    <message>
        <source>Preview Picture</source>
        <translation>Imagem da pré-visualização</translation>
    </message>
    <message>
        <source>Preview Position</source>
        <translation>Posição da pré-visualização</translation>
    </message>
    <message>
        <source>Play or Pause Preview</source>
        <translation>Reproduzir ou pausar a pré-visualização</translation>
    </message>
    <message>
        <source>Preview Volume</source>
        <translation>Volume da pré-visualização</translation>
    </message>
    <message>
        <source>Total Progress</source>
        <translation>Progresso total</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Each row reads: file name, duration, state, progress</source>
        <translation>Cada linha informa: nome do arquivo, duração, estado, progresso</translation>
    </message>
    <message>
        <source>Click to play or pause the selected file</source>
        <translation>Clique para reproduzir ou pausar o arquivo selecionado</translation>
    </message>
    <message>
        <source>Where the preview stands in the selected file</source>
        <translation>Posição da pré-visualização no arquivo selecionado</translation>
    </message>
    <message>
        <source>Choose the folder the converted files go to</source>
        <translation>Escolher a pasta onde os arquivos convertidos serão salvos</translation>
    </message>
    <message>
        <source>Show the output folder in the file manager</source>
        <translation>Mostrar a pasta de destino no gerenciador de arquivos</translation>
    </message>
    <message>
        <source>The format the files are converted to</source>
        <translation>O formato para o qual os arquivos são convertidos</translation>
    </message>
    <message>
        <source>&amp;Loudness</source>
        <translation>Int&amp;ensidade sonora</translation>
    </message>
    <message>
        <source>Loudness</source>
        <translation>Intensidade sonora</translation>
    </message>
    <message>
        <source>Normalize as &amp;Album</source>
        <translation>&amp;Normalizar por álbum</translation>
    </message>
    <message>
        <source>The files sharing a folder take one gain</source>
        <translation>Os arquivos de uma mesma pasta recebem um ganho comum</translation>
    </message>
    <message>
        <source>Loudness: &amp;Tag Only</source>
        <translation>Intensidade sonora: somente &amp;tags</translation>
    </message>
    <message>
        <source>The gain goes into tags that players apply</source>
        <translation>O ganho é gravado em tags aplicadas pelos players</translation>
    </message>
    <message>
        <source>Measuring loudness: 0 of %1 files</source>
        <translation>Medindo a intensidade sonora: 0 de %1 arquivos</translation>
    </message>
    <message>
        <source>Measuring loudness: %1 of %2 files</source>
        <translation>Medindo a intensidade sonora: %1 de %2 arquivos</translation>
    </message>
    <message>
        <source>Loudness measured: %1 files</source>
        <translation>Intensidade sonora medida: %1 arquivos</translation>
    </message>
    <message>
        <source>Loudness measuring stopped</source>
        <translation>Medição da intensidade sonora interrompida</translation>
    </message>
    <message>
        <source>Analyze &amp;Loudness</source>
        <translation>&amp;Analisar intensidade sonora</translation>
    </message>
    <message numerus="yes">
        <source>%Ln file(s) could not be added - see the log</source>
        <translation>
            <numerusform>Não foi possível adicionar %Ln arquivo - veja o registro</numerusform>
            <numerusform>Não foi possível adicionar %Ln arquivos - veja o registro</numerusform>
        </translation>
    </message>
    <message>
        <source>Cannot be converted: %1</source>
        <translation>Não pode ser convertido: %1</translation>
    </message>
    <message>
        <source>Gives:</source>
        <translation>Gera:</translation>
    </message>
    <message numerus="yes">
        <source>Gives %n files:</source>
        <translation>
            <numerusform>Gera %n arquivo:</numerusform>
            <numerusform>Gera %n arquivos:</numerusform>
        </translation>
    </message>
    <message>
        <source>(%1 for %2)</source>
        <extracomment>A piece&apos;s start and its length: &quot;(0:02 for 0:30)&quot;.</extracomment>
        <translation>(a partir de %1, por %2)</translation>
    </message>
    <message>
        <source>there already: skipped</source>
        <translation>já existe: ignorado</translation>
    </message>
    <message>
        <source>audio copied</source>
        <translation>áudio copiado</translation>
    </message>
    <message>
        <source>The saved file list %1 cannot be read (%2) nor set aside; the list starts empty and is not saved.</source>
        <translation>A lista de arquivos salva %1 não pode ser lida (%2) nem guardada à parte; a lista começa vazia e não é salva.</translation>
    </message>
    <message>
        <source>The saved file list %1 cannot be read (%2); it was kept as %3 and the list starts empty.</source>
        <translation>A lista de arquivos salva %1 não pode ser lida (%2); ela foi mantida como %3 e a lista começa vazia.</translation>
    </message>
</context>
<context>
    <name>v2m::TLogForm</name>
    <message>
        <source>Log</source>
        <translation>Registro</translation>
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
        <translation>Mostrar &amp;registro</translation>
    </message>
    <message>
        <source>Include Sub-folders</source>
        <translation>Incluir subpastas</translation>
    </message>
    <message>
        <source>Dialog Buttons</source>
        <translation>Botões da caixa de diálogo</translation>
    </message>
</context>
<context>
    <name>v2m::TSkinDialog</name>
    <message>
        <source>Select skin</source>
        <translation>Selecionar tema</translation>
    </message>
    <message>
        <source></source>
        <comment>The skin choice (File &gt; Skin): a list of looks for the window, with OK and Cancel.</comment>
        <translation></translation>
    </message>
    <message>
        <source>Skins</source>
        <translation>Temas</translation>
    </message>
    <message>
        <source>Dialog Buttons</source>
        <translation>Botões da caixa de diálogo</translation>
    </message>
    <message>
        <source>System</source>
        <translation>Sistema</translation>
    </message>
</context>
</TS>
