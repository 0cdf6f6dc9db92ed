<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ru">
<context>
    <name>felmo</name>
    <message>
        <source>All pictures (*.jpg;*.jpeg;*.bmp;*.png;*.gif;*.webp)</source>
        <translation>All pictures (*.jpg;*.jpeg;*.bmp;*.png;*.gif;*.webp)</translation>
    </message>
    <message>
        <source>JPEG Image File (*.jpg)</source>
        <translation>JPEG Image File (*.jpg)</translation>
    </message>
    <message>
        <source>JPEG Image File (*.jpeg)</source>
        <translation>JPEG Image File (*.jpeg)</translation>
    </message>
    <message>
        <source>Bitmaps (*.bmp)</source>
        <translation>Bitmaps (*.bmp)</translation>
    </message>
    <message>
        <source>PNG Image File (*.png)</source>
        <translation>PNG Image File (*.png)</translation>
    </message>
    <message>
        <source>GIF Image File (*.gif)</source>
        <translation>GIF Image File (*.gif)</translation>
    </message>
    <message>
        <source>WebP Image File (*.webp)</source>
        <translation>WebP Image File (*.webp)</translation>
    </message>
    <message>
        <source>папку «%1»</source>
        <translation>the folder “%1”</translation>
    </message>
    <message>
        <source>FELMO версия %1</source>
        <extracomment>Glossary, the same words as the core&apos;s catalogue (po/en.po): заставка = splash screen; стартовая анимация = start-up animation; приветствие = welcome image; фоновая картинка = background picture (the standby screen&apos;s, as the felmo-cli command &quot;background&quot;); EidPic = status strip, kept as the name &quot;EidPic&quot; where the Russian names it; нижняя полоска = bottom strip; наложение = overlay; битность = colour depth; графика (*.mbm файлы) = graphics (*.mbm files), what a build makes; создать = create; папка, дириктория = folder.</extracomment>
        <translation>FELMO version %1</translation>
    </message>
    <message>
        <source>Создание тем</source>
        <translation>Theme Maker</translation>
    </message>
    <message>
        <source>Не удалось открыть %1: в системе не найдена программа, которая может это сделать.</source>
        <translation>Could not open %1: no program on this system can open it.</translation>
    </message>
</context>
<context>
    <name>felmo::AboutWindow</name>
    <message>
        <source> Программа предназначена для создания стартовой анимации для</source>
        <translation> A program for making the start-up animation of the</translation>
    </message>
    <message>
        <source>телефона Siemens SX1.</source>
        <translation>Siemens SX1 phone.</translation>
    </message>
    <message>
        <source>Может использоваться, как самостоятельный продукт, как ввиде</source>
        <translation>It can be used on its own, as a graphics emulator,</translation>
    </message>
    <message>
        <source>эмулятора графики, так и использоваться для своего основного</source>
        <translation>as well as for what it was made for: making</translation>
    </message>
    <message>
        <source>предназначения - создания стартовой анимации и фоновой картинки.</source>
        <translation>the start-up animation and the background picture.</translation>
    </message>
    <message>
        <source>Техническая поддержка программы на сайте</source>
        <translation>Technical support for the program is in</translation>
    </message>
</context>
<context>
    <name>felmo::CommandLine</name>
    <message>
        <source>FELMO: графика включения телефона 176 x 208.</source>
        <translation>FELMO: the start-up graphics of a 176 x 208 phone.</translation>
    </message>
    <message>
        <source>Использовать FILE как файл настроек.</source>
        <translation>Use FILE as the settings file.</translation>
    </message>
    <message>
        <source>Создавать файлы в DIR в этом запуске.</source>
        <translation>Build into DIR for this run.</translation>
    </message>
</context>
<context>
    <name>felmo::MainWindow</name>
    <message>
        <source>Битность картинки</source>
        <translation>Colour depth</translation>
    </message>
    <message>
        <source>EidPic.mbm + Background.mbm размер 176х200</source>
        <translation>EidPic.mbm + Background.mbm, 176 x 200</translation>
    </message>
    <message>
        <source>Splashscreen.mbm размер 176х208</source>
        <translation>Splashscreen.mbm, 176 x 208</translation>
    </message>
    <message>
        <source>StartUp.mbm размер 176х208</source>
        <translation>StartUp.mbm, 176 x 208</translation>
    </message>
    <message>
        <source>Welcomeimage.mbm размер 176х208</source>
        <translation>Welcomeimage.mbm, 176 x 208</translation>
    </message>
    <message>
        <source>Фоновая картинка</source>
        <translation>Background picture</translation>
    </message>
    <message>
        <source>Заставка</source>
        <translation>Splash screen</translation>
    </message>
    <message>
        <source>Стартовая анимация</source>
        <translation>Start-up animation</translation>
    </message>
    <message>
        <source>Приветствие</source>
        <translation>Welcome image</translation>
    </message>
    <message>
        <source>Создать графику (*.mbm файлы)</source>
        <translation>Create the graphics (*.mbm files)</translation>
    </message>
    <message>
        <source>Техническая поддержка программы на сайте</source>
        <translation>Technical support for the program is in</translation>
    </message>
    <message>
        <source>Анимация для показа</source>
        <translation>Animation to share</translation>
    </message>
    <message>
        <source>Картинка темы</source>
        <translation>Theme picture</translation>
    </message>
    <message>
        <source>страницу поддержки «%1»</source>
        <translation>the support page “%1”</translation>
    </message>
</context>
<context>
    <name>felmo::Menu</name>
    <message>
        <source>Загрузить</source>
        <translation>Load</translation>
    </message>
    <message>
        <source>Фоновую картинку</source>
        <translation>Background Picture</translation>
    </message>
    <message>
        <source>Заставку</source>
        <translation>Splash Screen</translation>
    </message>
    <message>
        <source>Приветствие</source>
        <translation>Welcome Image</translation>
    </message>
    <message>
        <source>Наложение на EidPic</source>
        <translation>Overlay on EidPic</translation>
    </message>
    <message>
        <source>Создать</source>
        <translation>Create</translation>
    </message>
    <message>
        <source>Графику (*.mbm файлы)</source>
        <translation>Graphics (*.mbm Files)</translation>
    </message>
    <message>
        <source>Анимацию для показа (GIF, WebP)…</source>
        <translation>Animation to Share (GIF, WebP)…</translation>
    </message>
    <message>
        <source>Картинку темы (PNG)…</source>
        <translation>Theme Picture (PNG)…</translation>
    </message>
    <message>
        <source>Настройки</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Программы</source>
        <translation>Program</translation>
    </message>
    <message>
        <source>Наложения на EidPic</source>
        <translation>Overlay on EidPic</translation>
    </message>
    <message>
        <source>Инфо</source>
        <translation>About</translation>
    </message>
</context>
<context>
    <name>felmo::OverlayWindow</name>
    <message>
        <source>Верхний край</source>
        <translation>Top edge</translation>
    </message>
    <message>
        <source>Для изменения резкости границы перехода верхнего края</source>
        <translation>How sharply the top edge blends in</translation>
    </message>
    <message>
        <source>Нижний край</source>
        <translation>Bottom edge</translation>
    </message>
    <message>
        <source>Для изменения резкости границы перехода нижнего края</source>
        <translation>How sharply the bottom edge blends in</translation>
    </message>
    <message>
        <source>Левый край</source>
        <translation>Left edge</translation>
    </message>
    <message>
        <source>Для изменения резкости границы перехода левого края</source>
        <translation>How sharply the left edge blends in</translation>
    </message>
    <message>
        <source>Правый край</source>
        <translation>Right edge</translation>
    </message>
    <message>
        <source>Для изменения резкости границы перехода правого края</source>
        <translation>How sharply the right edge blends in</translation>
    </message>
    <message>
        <source>Увеличить размер области наложения по высоте</source>
        <translation>Make the overlay area taller</translation>
    </message>
    <message>
        <source>Уменьшить размер области наложения по высоте</source>
        <translation>Make the overlay area shorter</translation>
    </message>
    <message>
        <source>Уменьшить размер области наложения по ширине</source>
        <translation>Make the overlay area narrower</translation>
    </message>
    <message>
        <source>Увеличить размер области наложения по ширине</source>
        <translation>Make the overlay area wider</translation>
    </message>
    <message>
        <source>%1   (настройка накладываемого рисунка на EidPic)</source>
        <translation>%1   (overlay picture on EidPic)</translation>
    </message>
    <message>
        <source>Степень прозрачности области накладываемого рисунка</source>
        <translation>Transparency of the overlay picture</translation>
    </message>
    <message>
        <source>Для регулирования степени прозрачности основной области накладываемого рисунка</source>
        <translation>Sets how transparent the main area of the overlay picture is</translation>
    </message>
    <message>
        <source>Резкость сглаживания краёв</source>
        <translation>Edge softness</translation>
    </message>
    <message>
        <source>Изменение координат и размеров области</source>
        <translation>Position and size of the area</translation>
    </message>
    <message>
        <source>Двигать для изменения координат области наложения по горизонтали</source>
        <translation>Drag to move the overlay area sideways</translation>
    </message>
    <message>
        <source>Двигать для изменения координат области наложения по вертикали</source>
        <translation>Drag to move the overlay area up or down</translation>
    </message>
    <message>
        <source>Координаты</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>Размер</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>Статус размера области по ширине</source>
        <translation>Width of the area</translation>
    </message>
    <message>
        <source>Статус размера области по высоте</source>
        <translation>Height of the area</translation>
    </message>
    <message>
        <source>Выводить фон рисунка области наложения на EidPic</source>
        <translation>Show the background of the overlay picture on EidPic</translation>
    </message>
</context>
<context>
    <name>felmo::SettingsWindow</name>
    <message>
        <source>Please specify a directory</source>
        <translation>Please specify a directory</translation>
    </message>
    <message>
        <source>%1   (настройки)</source>
        <translation>%1   (settings)</translation>
    </message>
    <message>
        <source>Дириктория для сохранения файлов графики для телефона.</source>
        <translation>Folder for the phone&apos;s graphics files.</translation>
    </message>
    <message>
        <source>обзор</source>
        <translation>Browse</translation>
    </message>
    <message>
        <source>Открывать папку с файлами графики (*.mbm) после создания</source>
        <translation>Open the folder with the graphics (*.mbm) after creating them</translation>
    </message>
    <message>
        <source>Язык</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>Автоматически</source>
        <translation>Automatic</translation>
    </message>
    <message>
        <source>Русский</source>
        <translation>Russian</translation>
    </message>
    <message>
        <source>(вступит в силу при следующем запуске)</source>
        <translation>(takes effect at the next start)</translation>
    </message>
</context>
</TS>
